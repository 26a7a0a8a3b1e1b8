// Running one piece of work per device, a bounded number at once, and a bounded number of each
// group (a site) at once.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

// The groups of the work: group[i] of item i (kNoGroup: none), and how many of one group may run
// at once (0: no limit).
struct JobGroups {
    static constexpr size_t kNoGroup = static_cast<size_t>(-1);
    std::vector<size_t> group;
    unsigned int nPerGroup = 0;
};

// Calls work(i) for i = 0 .. count-1 in that order, on at most nJobs threads at once, and
// returns when all begun have ended. Once stopped() is true no further device is begun; the
// result tells which were. Without threads to be had, the work runs on the calling thread.
// With groups, an item whose group is full waits and the next one that may run goes first.
std::vector<bool> RunJobs(size_t count, unsigned int nJobs, const std::function<bool()>& stopped,
                          const std::function<void(size_t)>& work,
                          const JobGroups& groups = JobGroups());
