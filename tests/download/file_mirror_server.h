#pragma once
// An HTTP download mirror on 127.0.0.1 (cpp-httplib) that serves files with HEAD and
// byte ranges, records the ranges it was asked for, and can misbehave on request.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

enum class MirrorFault {
    None,
    IgnoreRange,  // answers 200 with the whole file, whatever range was asked
    DropBodies,   // answers HEAD, but drops the connection in the middle of every GET
    Stall,        // answers HEAD, but sends nothing for a GET (until stopped, at most 5 s)
    NoLength,     // answers without a length, chunked
    Redirect,     // answers HEAD, but a GET gets a 302 page pointing elsewhere
    WrongRange,   // answers every range with 206 and the file's first bytes of its length
    OneRequestPerConnection,  // closes every connection after its answer
};

class FileMirrorServer {
  public:
    explicit FileMirrorServer(MirrorFault fault = MirrorFault::None);
    ~FileMirrorServer();
    FileMirrorServer(const FileMirrorServer&) = delete;
    FileMirrorServer& operator=(const FileMirrorServer&) = delete;

    // Serves content under "/" + name (set up before the first request).
    void AddFile(const std::string& name, std::string content);
    // Serves a file from disk under "/" + name, read piece by piece as it is asked for.
    void AddDiskFile(const std::string& name, const std::string& path, int64_t size);

    // Sends `etag` as the ETag of "/" + name (added before) from now on.
    void SetEtag(const std::string& name, const std::string& etag);
    // Answers 503 to every GET after the next `count` ones (-1: serves again).
    void RefuseGetsAfter(int count);
    // Waits this long before answering each GET: a slow mirror.
    void SetGetDelayMs(int milliseconds);

    int port() const { return port_; }
    // "http://127.0.0.1:port/name" + query
    std::string Url(const std::string& name, const std::string& query = "") const;

    // The Range header of every GET, in order of arrival ("" when there was none).
    std::vector<std::string> GetRanges() const;
    int HeadCount() const;
    // The connections that carried a GET.
    int GetConnectionCount() const;
    // Stops serving (listener and connections) once it has answered `count` GETs.
    void DieAfterGets(int count);
    // The Authorization header of the last request.
    std::string LastAuthorization() const;

  private:
    struct Entry {
        std::shared_ptr<const std::string> content;  // in memory, or
        std::string path;                            // on disk
        int64_t size = 0;
        std::string etag;  // sent when not empty
    };

    MirrorFault fault_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex lock_;
    std::map<std::string, Entry> files_;
    std::vector<std::string> ranges_;
    std::set<int> getConnections_;  // by the client's port
    int dieAfterGets_ = -1;
    std::thread dying_;
    int heads_ = 0;
    std::atomic<int> getDelayMs_{0};
    int refuseAfterGets_ = -1;  // counted from ranges_.size()
    std::string lastAuthorization_;
};

// A port on 127.0.0.1 where nothing listens (taken from a server that was stopped).
int DeadLoopbackPort();
