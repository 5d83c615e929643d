#include "event_queue.h"

namespace service {

bool EventQueue::TryPush(Json::Value event) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (events_.size() >= capacity_)
            return false;
        events_.push_back({std::move(event), std::chrono::steady_clock::now()});
        wake = events_.size() == 1 || events_.size() == batch_;
    }
    if (wake)
        ready_.notify_one();
    return true;
}

std::vector<QueuedEvent> EventQueue::PopBatch(std::chrono::milliseconds wait,
                                              std::chrono::milliseconds linger) {
    const size_t most = batch_;
    std::unique_lock<std::mutex> guard(lock_);
    ready_.wait_for(guard, wait, [this] { return closed_ || !events_.empty(); });
    if (!events_.empty())
        ready_.wait_for(guard, linger, [this, most] { return closed_ || events_.size() >= most; });
    std::vector<QueuedEvent> batch;
    while (!events_.empty() && batch.size() < most) {
        batch.push_back(std::move(events_.front()));
        events_.pop_front();
    }
    return batch;
}

void EventQueue::Close() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
    }
    ready_.notify_all();
}

bool EventQueue::Closed() const {
    std::lock_guard<std::mutex> guard(lock_);
    return closed_;
}

size_t EventQueue::Size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return events_.size();
}

}  // namespace service
