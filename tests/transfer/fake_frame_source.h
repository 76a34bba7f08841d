#pragma once

#include "link/transfer_frame_source.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

// A receiver the test speaks for: frames pushed by the test are delivered one per poll on the
// reader thread; an empty queue sleeps briefly, as the serial reader does.
class FakeFrameSource : public TransferFrameSource {
public:
    void push(std::uint8_t code, std::vector<std::uint8_t> payload = {}) {
        const std::lock_guard lock(mutex_);
        queue_.emplace_back(code, std::move(payload));
    }

    void pollOnce(const Deliver& deliver) override {
        polls.fetch_add(1);
        std::pair<std::uint8_t, std::vector<std::uint8_t>> item;
        {
            const std::lock_guard lock(mutex_);
            if (queue_.empty()) {
                item.first = 0;
            } else {
                item = std::move(queue_.front());
                queue_.pop_front();
            }
        }
        if (item.first == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return;
        }
        deliver(item.first, item.second);
    }

    std::atomic<int> polls{0};

private:
    std::mutex mutex_;
    std::deque<std::pair<std::uint8_t, std::vector<std::uint8_t>>> queue_;
};
