#pragma once
// Calls a function every period on a thread of its own until stopped: the console's
// stand-in for the download page's window timers.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PeriodicTimer {
  public:
    PeriodicTimer() = default;
    ~PeriodicTimer() { Stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Restarts the timer with a new period and function.
    void Start(unsigned periodMilliseconds, std::function<void()> tick);
    // Waits for a running call to finish; no call happens afterwards.
    void Stop();

  private:
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
