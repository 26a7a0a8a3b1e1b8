// The job runner: each thread takes the next device in turn, so the devices start in the order
// given and a slow one holds up only its own thread.
#include "CliJobs.h"

#include <atomic>
#include <mutex>
#include <thread>

std::vector<bool> RunJobs(size_t count, unsigned int nJobs, const std::function<bool()>& stopped,
                          const std::function<void(size_t)>& work) {
    std::vector<bool> begun(count, false);
    std::mutex lock; // guards begun and next
    size_t next = 0;
    auto take = [&](size_t& index) {
        std::lock_guard<std::mutex> guard(lock);
        if (next >= count || (stopped && stopped()))
            return false;
        index = next++;
        begun[index] = true;
        return true;
    };
    auto loop = [&] {
        for (size_t index = 0; take(index);)
            work(index);
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
