#pragma once
// Host threads that repeat a step (given how many came before) until stopped. They are stopped
// and joined at the latest when this object goes: an assertion that returns early must not
// leave a joinable thread, or the process ends in std::terminate and the failure goes unseen.

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

namespace testhost {

class HostThreads {
public:
    HostThreads() = default;
    HostThreads(const HostThreads&) = delete;
    HostThreads& operator=(const HostThreads&) = delete;
    ~HostThreads() { stop(); }

    void run(std::function<void(int)> step) {
        threads_.emplace_back([this, step = std::move(step)] {
            for (int i = 0; !stop_.load(); ++i) step(i);
        });
    }
    void stop() {
        stop_ = true;
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::vector<std::thread> threads_;
};

}  // namespace testhost
