#include "postgres_event_store.h"

#include "service_host.h"

namespace service {
namespace {

constexpr std::chrono::milliseconds kQueueWait{200};

// The smallest bucket at or below which `share` of all counts lie.
size_t Percentile(const uint64_t* counts, size_t buckets, double share) {
    uint64_t total = 0;
    for (size_t i = 0; i < buckets; ++i)
        total += counts[i];
    if (total == 0)
        return 0;
    const double wanted = share * static_cast<double>(total);
    uint64_t seen = 0;
    for (size_t i = 0; i < buckets; ++i) {
        seen += counts[i];
        if (static_cast<double>(seen) >= wanted)
            return i;
    }
    return buckets - 1;
}

}  // namespace

PostgresEventStore::PostgresEventStore(PostgresStoreOptions options)
    : options_(std::move(options)),
      queue_(options_.queueCapacity, options_.batchSize),
      spill_(options_.spillPath, options_.spillMaxBytes),
      database_(options_.uri) {}

PostgresEventStore::~PostgresEventStore() {
    Stop();
}

void PostgresEventStore::Start() {
    if (!spill_.Empty())
        LogLine("events: " + std::to_string(spill_.Bytes()) + " bytes of spilled events in " +
                spill_.Path() + " will be stored once the database answers");
    writer_ = std::thread([this] { Run(); });
}

void PostgresEventStore::Stop() {
    if (!writer_.joinable())
        return;
    queue_.Close();
    writer_.join();
    LogLine("events: " + Figures());
}

bool PostgresEventStore::Append(Json::Value event) {
    StampEvent(event);
    if (queue_.TryPush(event))
        return true;
    if (spill_.Append({event}) == 1) {
        ++spilled_;
        return true;
    }
    const uint64_t dropped = ++dropped_;
    // One line for the first loss and then one per thousand, not one per request.
    if (dropped == 1 || dropped % 1000 == 0)
        LogLine("events: the queue and the spill file " + spill_.Path() +
                " are full: events are lost (" + std::to_string(dropped) + " so far)");
    return true;
}

void PostgresEventStore::Run() {
    while (true) {
        const bool closing = queue_.Closed();
        const std::chrono::milliseconds none(0);
        auto batch =
            queue_.PopBatch(closing ? none : kQueueWait, closing ? none : options_.batchLinger);
        if (!database_.Connected() && std::chrono::steady_clock::now() >= nextAttempt_)
            TryConnect();
        if (database_.Connected() && !spill_.Empty()) {
            const uint64_t bytes = spill_.Bytes();
            if (spill_.Replay(options_.batchSize, [this](const std::vector<Json::Value>& events) {
                    if (!Store(events))
                        return false;
                    replayed_ += events.size();
                    return true;
                }))
                LogLine("events: the spilled events (" + std::to_string(bytes) +
                        " bytes) are stored");
        }
        if (batch.empty()) {
            if (closing)
                break;
            continue;
        }
        std::vector<Json::Value> events;
        events.reserve(batch.size());
        for (auto& queued : batch)
            events.push_back(std::move(queued.event));
        if (database_.Connected() && Store(events)) {
            stored_ += events.size();
            RecordLag(batch);
        } else {
            Spill(events);
        }
    }
}

void PostgresEventStore::TryConnect() {
    std::string error;
    if (database_.Connect(error) && database_.ApplySchema(error)) {
        LogLine("events: storing into the database " + options_.uri);
        reportedOutage_ = false;
        return;
    }
    database_.Disconnect();
    nextAttempt_ = std::chrono::steady_clock::now() + options_.retryInterval;
    if (!reportedOutage_)
        LogLine("events: the database cannot be reached (" + error + "); events go to " +
                spill_.Path() + " until it can");
    reportedOutage_ = true;
}

bool PostgresEventStore::Store(const std::vector<Json::Value>& events) {
    std::string error;
    auto result = database_.Insert(events, error);
    if (result == PostgresEvents::Result::Refused) {
        // One bad row must not hold back the others: store them one by one.
        result = PostgresEvents::Result::Stored;
        for (const auto& event : events) {
            const auto single = database_.Insert({event}, error);
            if (single == PostgresEvents::Result::Unavailable) {
                result = single;
                break;
            }
            if (single == PostgresEvents::Result::Refused) {
                ++refused_;
                std::string line = EventLine(event);
                line.pop_back();
                LogLine("events: the database refused the event " + line + " (" + error + ")");
            }
        }
    }
    if (result == PostgresEvents::Result::Stored)
        return true;
    LogLine("events: the database cannot store events (" + error + "); events go to " +
            spill_.Path() + " until it can");
    reportedOutage_ = true;
    database_.Disconnect();
    nextAttempt_ = std::chrono::steady_clock::now() + options_.retryInterval;
    return false;
}

void PostgresEventStore::Spill(const std::vector<Json::Value>& events) {
    const size_t written = spill_.Append(events);
    spilled_ += written;
    if (written == events.size())
        return;
    const uint64_t before = dropped_.fetch_add(events.size() - written);
    LogLine("events: the spill file " + spill_.Path() +
            " is full: " + std::to_string(events.size() - written) + " events are lost (" +
            std::to_string(before + events.size() - written) + " so far)");
}

void PostgresEventStore::RecordLag(const std::vector<QueuedEvent>& batch) {
    const auto now = std::chrono::steady_clock::now();
    for (const auto& queued : batch) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - queued.queuedAt).count();
        lagCounts_[std::min<size_t>(static_cast<size_t>(ms), kLagBuckets - 1)]++;
    }
}

std::string PostgresEventStore::Figures() const {
    return "stored=" + std::to_string(stored_.load()) +
           " lag_median_ms=" + std::to_string(Percentile(lagCounts_.data(), kLagBuckets, 0.5)) +
           " lag_p99_ms=" + std::to_string(Percentile(lagCounts_.data(), kLagBuckets, 0.99)) +
           " spilled=" + std::to_string(spilled_.load()) +
           " replayed=" + std::to_string(replayed_.load()) +
           " dropped=" + std::to_string(dropped_.load()) +
           " refused=" + std::to_string(refused_.load()) +
           " spill_bytes=" + std::to_string(spill_.Bytes());
}

}  // namespace service
