// Cost of one protocol exchange through DevConnMgr::SendRecvData (and DisposeData) next to a raw
// blocking-socket ping-pong of the same sizes against the same loopback server, interleaved so
// that both see the same machine load. Prints both medians and their ratio.
#include "DevConnMgr.h"
#include "zepWire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

const int kExchanges = 10000;
const int kWarmUp = 500;
const size_t kRequestSize = sizeof(TAG_CMDSENDFILE); // 60
const size_t kReplySize = sizeof(TAG_RESSENDFILE);   // 12

bool ReadExactly(int fd, void* p, size_t n) {
    char* pc = static_cast<char*>(p);
    while (n > 0) {
        ssize_t got = ::recv(fd, pc, n, 0);
        if (got <= 0)
            return false;
        pc += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* p, size_t n) {
    return ::send(fd, p, n, MSG_NOSIGNAL) == static_cast<ssize_t>(n);
}

// Answers every 60-byte request on both connections with a 12-byte SendFile reply. One thread
// serves both, so that the two clients meet the same scheduling: with a thread each, whichever
// landed on the client's core answered ten times faster than the other.
void Serve(int fdA, int fdB) {
    TAG_RESSENDFILE reply = {};
    reply.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    reply.Header.DataLength.set(kReplySize - sizeof(TAG_SSTHEADER));
    reply.Status.set(ZEP_STATUS_OK);
    unsigned char request[kRequestSize];
    pollfd fds[2] = {{fdA, POLLIN, 0}, {fdB, POLLIN, 0}};
    int open = 2;
    while (open > 0 && ::poll(fds, 2, -1) > 0) {
        for (pollfd& p : fds) {
            if (p.fd < 0 || p.revents == 0)
                continue;
            if (!ReadExactly(p.fd, request, sizeof(request)) ||
                !WriteAll(p.fd, &reply, sizeof(reply))) {
                ::close(p.fd);
                p.fd = -1;
                --open;
            }
        }
    }
}

sockaddr_in Loopback(uint16_t wPort) {
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_port = htons(wPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

typedef std::chrono::steady_clock Clock;

double Micros(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::micro>(b - a).count();
}

} // namespace

int main() {
    // Client and server share one core, so the figures measure the exchange's own cost rather
    // than where the scheduler happened to wake the server (ten times the difference).
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(0, &cpus);
    const bool bPinned = ::sched_setaffinity(0, sizeof(cpus), &cpus) == 0;
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t len = sizeof(addr);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        ::listen(listener, 2) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        std::perror("listen");
        return 1;
    }
    const uint16_t wPort = ntohs(addr.sin_port);
    std::thread server([listener] {
        int fdA = ::accept(listener, nullptr, nullptr);
        int fdB = ::accept(listener, nullptr, nullptr);
        Serve(fdA, fdB);
    });

    DevConnMgr* pMgr = DevConnMgr::Instance();
    HANDLE hDevice = nullptr;
    if (pMgr->Connect(nullptr, "127.0.0.1", FALSE, wPort, &hDevice) != 0 ||
        pMgr->SetTimeout(hDevice, 5000) != 0) {
        std::fprintf(stderr, "connect through the manager failed\n");
        return 1;
    }
    int raw = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in target = Loopback(wPort);
    if (::connect(raw, reinterpret_cast<sockaddr*>(&target), sizeof(target)) != 0) {
        std::perror("connect");
        return 1;
    }

    TAG_CMDSENDFILE request = {};
    request.Header.CommandCode.set(ZEP_CMD_SENDFILE);
    request.Header.DataLength.set(kRequestSize - sizeof(TAG_SSTHEADER));
    request.EndNotice.set(ZEP_END_FINAL); // a reply is awaited
    unsigned char reply[kReplySize];

    std::vector<double> ours, plain;
    ours.reserve(kExchanges);
    plain.reserve(kExchanges);
    for (int i = 0; i < kWarmUp + kExchanges; ++i) {
        Clock::time_point t0 = Clock::now();
        PBYTE pReply = nullptr;
        DWORD dwSize = 0;
        int rc = pMgr->SendRecvData(hDevice, reinterpret_cast<PBYTE>(&request), kRequestSize,
                                    &pReply, &dwSize);
        if (rc != 0 || dwSize != kReplySize || pMgr->DisposeData(hDevice, pReply) != 0) {
            std::fprintf(stderr, "exchange %d through the manager failed (%d)\n", i, rc);
            return 1;
        }
        Clock::time_point t1 = Clock::now();
        if (!WriteAll(raw, &request, kRequestSize) || !ReadExactly(raw, reply, kReplySize)) {
            std::fprintf(stderr, "raw exchange %d failed\n", i);
            return 1;
        }
        Clock::time_point t2 = Clock::now();
        if (i >= kWarmUp) {
            ours.push_back(Micros(t0, t1));
            plain.push_back(Micros(t1, t2));
        }
    }
    pMgr->Disconnect(hDevice);
    ::close(raw);
    server.join();
    ::close(listener);

    const double dOurs = Median(ours);
    const double dPlain = Median(plain);
    std::printf("sendrecv: %d exchanges of %zu-byte requests and %zu-byte replies on loopback%s\n",
                kExchanges, kRequestSize, kReplySize, bPinned ? ", one core" : "");
    std::printf("  DevConnMgr::SendRecvData + DisposeData  median %8.2f us\n", dOurs);
    std::printf("  raw blocking send + recv                median %8.2f us\n", dPlain);
    std::printf("  ratio %.2f (goal <= 1.5)\n", dOurs / dPlain);
    return 0;
}
