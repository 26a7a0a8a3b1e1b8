// Deterministic pseudo-random firmware stand-ins for tests, benchmarks and the sample release:
// the same size and seed always give the same bytes, on every host.
#pragma once

#include <string>

bool WriteTestImage(const std::string& path, unsigned long long size, unsigned long long seed,
                    std::string& error);
