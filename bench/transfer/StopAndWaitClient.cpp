// Stop-and-wait update client over the simulator's socket layer. The records come from the
// engine's builders so that both hosts send byte for byte the same packets.
#include "StopAndWaitClient.h"

#include "SimSocket.h"
#include "zepProtocol.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Reads one reply record and returns its Status field, or -1.
int ReadStatus(SimSocket& socket) {
    unsigned char reply[64];
    size_t have = 0, want = sizeof(TAG_SSTHEADER);
    while (have < want) {
        if (socket.WaitReadable(10000) != 1)
            return -1;
        long n = socket.Recv(reply + have, want - have);
        if (n <= 0)
            return -1;
        have += static_cast<size_t>(n);
        if (have == sizeof(TAG_SSTHEADER)) {
            TAG_SSTHEADER header;
            std::memcpy(&header, reply, sizeof header);
            want += header.DataLength.get();
            if (want > sizeof reply)
                return -1;
        }
    }
    return want >= 12 ? (reply[10] << 8) | reply[11] : -1;
}

template <class T>
bool Exchange(SimSocket& socket, const T& record, const unsigned char* data, size_t size,
              std::vector<unsigned char>& packet) {
    packet.resize(sizeof record + size);
    std::memcpy(packet.data(), &record, sizeof record);
    if (size != 0)
        std::memcpy(packet.data() + sizeof record, data, size);
    return socket.SendAll(packet.data(), packet.size()) && ReadStatus(socket) == ZEP_STATUS_OK;
}

} // namespace

double StopAndWaitTransfer(uint16_t port, const std::string& imagePath, const char* name,
                           unsigned long chunkSize, std::string& why) {
    std::unique_ptr<FILE, int (*)(FILE*)> image(std::fopen(imagePath.c_str(), "rb"), std::fclose);
    SimSocket socket;
    if (!image || !socket.Connect("127.0.0.1", port, &why)) {
        why = "cannot open the image or reach the simulator " + why;
        return -1;
    }
    std::fseek(image.get(), 0, SEEK_END);
    const unsigned long total = static_cast<unsigned long>(std::ftell(image.get()));
    std::fseek(image.get(), 0, SEEK_SET);

    zepProtocol builder; // record builders only; it never connects
    std::vector<unsigned char> chunk(chunkSize), packet;
    TAG_CMDENTERDOWNLOAD enter;
    builder.Make_EnterDownLoad(enter, false);
    if (!Exchange(socket, enter, nullptr, 0, packet)) {
        why = "download mode refused";
        return -1;
    }

    auto begin = std::chrono::steady_clock::now();
    uint16_t checksum = 0;
    TAG_CMDSENDFILE head;
    for (unsigned long offset = 0; offset < total;) {
        size_t n = std::fread(chunk.data(), 1, chunkSize, image.get());
        builder.Make_SendFile(head, name, ZEP_END_MORE, offset, total, chunk.data(), n);
        if (n == 0 || !Exchange(socket, head, chunk.data(), n, packet)) {
            why = "data packet at " + std::to_string(offset) + " not accepted";
            return -1;
        }
        checksum = ZepChecksum(chunk.data(), n, checksum);
        offset += n;
    }
    builder.Make_SendFile(head, name, ZEP_END_FINAL, total, total, nullptr, checksum);
    if (!Exchange(socket, head, nullptr, 0, packet)) {
        why = "closing packet not accepted";
        return -1;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    TAG_CMDEXITDOWNLOAD exitRecord;
    builder.Make_ExitDownLoad(exitRecord);
    Exchange(socket, exitRecord, nullptr, 0, packet);
    return seconds;
}
