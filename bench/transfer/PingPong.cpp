// Raw request/reply ping-pong over the simulator's socket layer, blocking reads only.
#include "PingPong.h"

#include "SimSocket.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {

bool ReadAll(SimSocket& socket, unsigned char* buffer, size_t size) {
    for (size_t got = 0; got < size;) {
        const long n = socket.Recv(buffer + got, size - got);
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

double PingPongSeconds(size_t requestSize, size_t replySize, size_t exchanges) {
    SimSocket listener;
    if (!listener.Listen("127.0.0.1", 0, nullptr))
        return -1;
    std::thread server([&] {
        if (listener.WaitReadable(5000) != 1)
            return;
        SimSocket peer = listener.Accept(nullptr);
        std::vector<unsigned char> request(requestSize), reply(replySize);
        for (size_t i = 0; i < exchanges; ++i)
            if (!ReadAll(peer, request.data(), requestSize) ||
                !peer.SendAll(reply.data(), replySize))
                return;
    });
    SimSocket client;
    bool ok = client.Connect("127.0.0.1", listener.LocalPort(), nullptr);
    std::vector<unsigned char> request(requestSize, 0x5A), reply(replySize);
    const auto begin = std::chrono::steady_clock::now();
    for (size_t i = 0; ok && i < exchanges; ++i)
        ok =
            client.SendAll(request.data(), requestSize) && ReadAll(client, reply.data(), replySize);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    client.Close();
    server.join();
    return ok ? seconds : -1;
}
