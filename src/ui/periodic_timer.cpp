#include "ui/periodic_timer.h"

void PeriodicTimer::Start(unsigned periodMilliseconds, std::function<void()> tick) {
    Stop();
    stopping_ = false;
    thread_ = std::thread([this, periodMilliseconds, tick = std::move(tick)] {
        std::unique_lock<std::mutex> guard(lock_);
        const auto period = std::chrono::milliseconds(periodMilliseconds);
        while (!wake_.wait_for(guard, period, [this] { return stopping_; })) {
            guard.unlock();
            tick();
            guard.lock();
        }
    });
}

void PeriodicTimer::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}
