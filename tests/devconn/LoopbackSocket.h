// Minimal loopback sockets for the tests' scripted peers; platform files LoopbackSocket_*.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

namespace loopback {

typedef intptr_t Sock;
const Sock kNoSock = -1;

bool Startup();
void Cleanup();
Sock Listen(uint16_t* pwPort); // on 127.0.0.1, an ephemeral port
Sock Accept(Sock listener, unsigned dwTimeoutMs);
Sock Connect(uint16_t wPort);
bool SendAll(Sock s, const void* p, size_t n);
// Bytes received (> 0), 0 when the peer closed, -1 on time-out or error.
long RecvSome(Sock s, void* p, size_t n, unsigned dwTimeoutMs);
void Close(Sock s);

} // namespace loopback
