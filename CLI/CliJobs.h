// Running one piece of work per device, a bounded number at once.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// Calls work(i) for i = 0 .. count-1 in that order, on at most nJobs threads at once, and
// returns when all begun have ended. Once stopped() is true no further device is begun; the
// result tells which were. Without threads to be had, the work runs on the calling thread.
std::vector<bool> RunJobs(size_t count, unsigned int nJobs, const std::function<bool()>& stopped,
                          const std::function<void(size_t)>& work);
