#pragma once
// Events in PostgreSQL without making an answer wait for the database: Append() only
// queues the event, and a writer thread of its own stores the queue in batches. While
// the database cannot be reached, events go to the spill file and are stored once it
// answers again; the table's unique event id keeps every event there exactly once.
// When the queue and the spill file are both full, events are dropped with a log line
// and the installers still get their answers.
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "event_queue.h"
#include "event_sink.h"
#include "postgres_events.h"
#include "spill_file.h"

namespace service {

struct PostgresStoreOptions {
    std::string uri;  // checked with CheckPostgresUri
    std::string spillPath;
    uint64_t spillMaxBytes = 256ull << 20;
    size_t queueCapacity = 10000;
    size_t batchSize = 500;
    // How long a batch may wait to fill: fewer statements and commits under load, for
    // at most this much more write lag.
    std::chrono::milliseconds batchLinger{50};
    std::chrono::milliseconds retryInterval{1000};
};

class PostgresEventStore : public EventSink {
  public:
    explicit PostgresEventStore(PostgresStoreOptions options);
    ~PostgresEventStore() override;

    // Starts the writer; the database may still be unreachable.
    void Start();
    // Stores (or spills) what is queued, stops the writer and logs the figures of the run.
    void Stop();
    bool Append(Json::Value event) override;

  private:
    void Run();
    void TryConnect();
    // True when the events are in the table (or were refused one by one and logged).
    bool Store(const std::vector<Json::Value>& events);
    void Spill(const std::vector<Json::Value>& events);
    void RecordLag(const std::vector<QueuedEvent>& batch);
    std::string Figures() const;

    const PostgresStoreOptions options_;
    EventQueue queue_;
    SpillFile spill_;
    PostgresEvents database_;  // the writer thread's only
    std::thread writer_;
    bool reportedOutage_ = false;  // writer thread
    std::chrono::steady_clock::time_point nextAttempt_{};

    std::atomic<uint64_t> stored_{0};  // from the queue
    std::atomic<uint64_t> spilled_{0};
    std::atomic<uint64_t> replayed_{0};  // from the spill file (a replay cut short: again)
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> refused_{0};
    // Milliseconds from queue to table, one bucket per millisecond up to 10 s and one
    // for longer; written by the writer thread only.
    static constexpr size_t kLagBuckets = 10001;
    std::array<uint64_t, kLagBuckets> lagCounts_{};
};

}  // namespace service
