#include "file_mirror_server.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <fstream>

FileMirrorServer::FileMirrorServer(MirrorFault fault)
    : fault_(fault), server_(std::make_unique<httplib::Server>()) {
    // Ten block threads and the probes must all be served at once.
    server_->new_task_queue = [] { return new httplib::ThreadPool(24); };
    // Kept-alive connections serve any number of requests, unless asked not to.
    server_->set_keep_alive_max_count(fault == MirrorFault::OneRequestPerConnection ? 1 : 100000);
    server_->set_keep_alive_timeout(60);
    server_->Get(R"(/(.+))", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string name = request.matches[1];
        Entry entry;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (request.method == "HEAD") {
                ++heads_;
            } else {
                if (refuseAfterGets_ >= 0 && static_cast<int>(ranges_.size()) >= refuseAfterGets_) {
                    response.status = 503;
                    return;
                }
                ranges_.push_back(request.get_header_value("Range"));
                getConnections_.insert(request.remote_port);
                if (static_cast<int>(ranges_.size()) == dieAfterGets_ && !dying_.joinable())
                    // Stopped from aside: the handler's own connection must finish first.
                    dying_ = std::thread([this] { server_->stop(); });
            }
            lastAuthorization_ = request.get_header_value("Authorization");
            const auto found = files_.find(name);
            if (found == files_.end()) {
                response.status = 404;
                return;
            }
            entry = found->second;
        }
        const bool isHead = request.method == "HEAD";
        if (!entry.etag.empty())
            response.set_header("ETag", entry.etag);
        if (!isHead)
            for (int waited = 0; waited < getDelayMs_ && !stopping_; waited += 10)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        auto copy = [entry](size_t offset, size_t length, httplib::DataSink& sink) {
            length = std::min<size_t>(length, 65536);
            if (entry.content) {
                sink.write(entry.content->data() + offset, length);
                return true;
            }
            std::ifstream file(entry.path, std::ios::binary);
            file.seekg(static_cast<std::streamoff>(offset));
            std::string piece(length, '\0');
            if (!file.read(piece.data(), static_cast<std::streamsize>(length)))
                return false;
            sink.write(piece.data(), piece.size());
            return true;
        };
        const size_t size = static_cast<size_t>(entry.size);
        if (fault_ == MirrorFault::NoLength || (fault_ == MirrorFault::IgnoreRange && !isHead)) {
            response.status = 200;
            response.set_chunked_content_provider(
                "application/octet-stream", [copy, size](size_t offset, httplib::DataSink& sink) {
                    if (offset >= size) {
                        sink.done();
                        return true;
                    }
                    return copy(offset, size - offset, sink);
                });
            return;
        }
        if (fault_ == MirrorFault::Redirect && !isHead) {
            // Sent chunked: the library would cut a plain body to the range asked for.
            response.status = 302;
            response.set_header("Location", "http://127.0.0.1:1/" + name);
            response.set_chunked_content_provider(
                "text/html", [](size_t offset, httplib::DataSink& sink) {
                    static const std::string page = "<html><body>Moved.</body></html>";
                    if (offset == 0)
                        sink.write(page.data(), page.size());
                    else
                        sink.done();
                    return true;
                });
            return;
        }
        if (fault_ == MirrorFault::WrongRange && !isHead) {
            // A well-formed partial answer, but of another range than the one asked for.
            const std::string range = request.get_header_value("Range");
            const size_t dash = range.find('-');
            const auto first = static_cast<size_t>(std::stoull(range.substr(6, dash - 6)));
            const size_t last =
                std::min(static_cast<size_t>(std::stoull(range.substr(dash + 1))), size - 1);
            const size_t length = last - first + 1;
            response.status = 206;
            response.set_header("Content-Range", "bytes 0-" + std::to_string(length - 1) + "/" +
                                                     std::to_string(size));
            response.set_chunked_content_provider(
                "application/octet-stream", [copy, length](size_t offset, httplib::DataSink& sink) {
                    if (offset >= length) {
                        sink.done();
                        return true;
                    }
                    return copy(offset, length - offset, sink);
                });
            return;
        }
        if (fault_ == MirrorFault::DropBodies && !isHead) {
            // The headers promise the body; the connection goes away instead.
            response.set_content_provider(size, "application/octet-stream",
                                          [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        }
        if (fault_ == MirrorFault::Stall && !isHead) {
            response.set_content_provider(
                size, "application/octet-stream", [this](size_t, size_t, httplib::DataSink&) {
                    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
                    while (!stopping_ && std::chrono::steady_clock::now() < until)
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return false;
                });
            return;
        }
        response.set_content_provider(size, "application/octet-stream", copy);
    });
    // Listening from here on: early connections wait in the backlog.
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only reaches a server that runs: a quick test would otherwise hang in join.
    for (int i = 0; i < 500 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

FileMirrorServer::~FileMirrorServer() {
    stopping_ = true;
    server_->stop();
    for (std::thread* thread : {&dying_, &thread_})
        if (thread->joinable())
            thread->join();
}

void FileMirrorServer::AddFile(const std::string& name, std::string content) {
    std::lock_guard<std::mutex> guard(lock_);
    Entry entry;
    entry.size = static_cast<int64_t>(content.size());
    entry.content = std::make_shared<const std::string>(std::move(content));
    files_[name] = std::move(entry);
}

void FileMirrorServer::AddDiskFile(const std::string& name, const std::string& path, int64_t size) {
    std::lock_guard<std::mutex> guard(lock_);
    Entry entry;
    entry.path = path;
    entry.size = size;
    files_[name] = std::move(entry);
}

void FileMirrorServer::SetEtag(const std::string& name, const std::string& etag) {
    std::lock_guard<std::mutex> guard(lock_);
    files_[name].etag = etag;
}

void FileMirrorServer::RefuseGetsAfter(int count) {
    std::lock_guard<std::mutex> guard(lock_);
    refuseAfterGets_ = count < 0 ? -1 : static_cast<int>(ranges_.size()) + count;
}

void FileMirrorServer::SetGetDelayMs(int milliseconds) {
    getDelayMs_ = milliseconds;
}

std::string FileMirrorServer::Url(const std::string& name, const std::string& query) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + name + query;
}

std::vector<std::string> FileMirrorServer::GetRanges() const {
    std::lock_guard<std::mutex> guard(lock_);
    return ranges_;
}

int FileMirrorServer::HeadCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return heads_;
}

int FileMirrorServer::GetConnectionCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int>(getConnections_.size());
}

void FileMirrorServer::DieAfterGets(int count) {
    std::lock_guard<std::mutex> guard(lock_);
    dieAfterGets_ = count;
}

std::string FileMirrorServer::LastAuthorization() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lastAuthorization_;
}

int DeadLoopbackPort() {
    FileMirrorServer server;
    return server.port();
}
