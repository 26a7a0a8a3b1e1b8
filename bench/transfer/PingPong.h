// The ceiling of a stop-and-wait transfer on loopback: a client that sends fixed-size requests
// and a server that answers each with a fixed-size reply, neither doing anything else.
#pragma once

#include <cstddef>

// Sends exchanges requests of requestSize bytes, each answered by replySize bytes, and returns
// the seconds taken, or a negative value when the loopback connection fails.
double PingPongSeconds(size_t requestSize, size_t replySize, size_t exchanges);
