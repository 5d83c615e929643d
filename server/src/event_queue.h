#pragma once
// A bounded queue of events between the request threads and the database writer. A push
// never waits: a full queue refuses, and the caller decides where the event goes instead.
#include <json/json.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <vector>

namespace service {

struct QueuedEvent {
    Json::Value event;
    std::chrono::steady_clock::time_point queuedAt;
};

class EventQueue {
  public:
    // The consumer is woken for the first event and when `batch` events wait, not for
    // every one: a wake-up per event would cost more than the event.
    EventQueue(size_t capacity, size_t batch) : capacity_(capacity), batch_(batch) {}

    // False when the queue is full.
    bool TryPush(Json::Value event);
    // Up to a batch of events, oldest first; waits up to `wait` for the first one, then up
    // to `linger` more for the batch to fill (fewer, larger writes under load); less when
    // Close() is called. Empty when none came.
    std::vector<QueuedEvent> PopBatch(std::chrono::milliseconds wait,
                                      std::chrono::milliseconds linger);
    // Wakes the consumer; pushes still work.
    void Close();
    bool Closed() const;
    size_t Size() const;

  private:
    const size_t capacity_;
    const size_t batch_;
    mutable std::mutex lock_;
    std::condition_variable ready_;
    std::deque<QueuedEvent> events_;
    bool closed_ = false;
};

}  // namespace service
