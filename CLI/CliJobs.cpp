// The job runner: each thread takes the next device in turn, so the devices start in the order
// given and a slow one holds up only its own thread. A thread that finds every waiting device's
// site full sleeps until a device ends; one always can run then, so nobody waits for ever.
#include "CliJobs.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

std::vector<bool> RunJobs(size_t count, unsigned int nJobs, const std::function<bool()>& stopped,
                          const std::function<void(size_t)>& work, const JobGroups& groups) {
    std::vector<bool> begun(count, false);
    std::mutex lock; // guards begun, first and running
    std::condition_variable ended;
    size_t first = 0;                   // no item before it is waiting
    std::map<size_t, unsigned> running; // by group
    auto groupOf = [&](size_t i) {
        return i < groups.group.size() ? groups.group[i] : JobGroups::kNoGroup;
    };
    auto mayRun = [&](size_t i) {
        const size_t g = groupOf(i);
        return groups.nPerGroup == 0 || g == JobGroups::kNoGroup || running[g] < groups.nPerGroup;
    };
    auto take = [&](size_t& index) {
        std::unique_lock<std::mutex> guard(lock);
        for (;;) {
            while (first < count && begun[first])
                ++first;
            if (first >= count || (stopped && stopped()))
                return false;
            for (size_t i = first; i < count; ++i) {
                if (begun[i] || !mayRun(i))
                    continue;
                index = i;
                begun[i] = true;
                if (groupOf(i) != JobGroups::kNoGroup)
                    ++running[groupOf(i)];
                return true;
            }
            ended.wait(guard);
        }
    };
    auto loop = [&] {
        for (size_t index = 0; take(index);) {
            work(index);
            std::lock_guard<std::mutex> guard(lock);
            if (groupOf(index) != JobGroups::kNoGroup)
                --running[groupOf(index)];
            ended.notify_all();
        }
    };
    std::vector<std::thread> threads;
    const size_t wanted = nJobs < count ? nJobs : count;
    for (size_t i = 0; i < wanted; ++i) {
        try {
            threads.emplace_back(loop);
        } catch (...) {
            break; // the threads already running take the rest
        }
    }
    if (threads.empty())
        loop();
    for (std::thread& thread : threads)
        thread.join();
    std::lock_guard<std::mutex> guard(lock);
    return begun;
}
