#include "support/http_test_server.h"

#include <chrono>

namespace test_support {

HttpTestServer::HttpTestServer() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Dispatch(request, response);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        return;
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // stop() only works on a running server: wait until the accept loop has started.
    for (int i = 0; i < 500 && !server_.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

HttpTestServer::~HttpTestServer() {
    Stop();
}

void HttpTestServer::Stop() {
    server_.stop();
    if (thread_.joinable())
        thread_.join();
}

std::string HttpTestServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::wstring HttpTestServer::WideHostPort() const {
    return L"127.0.0.1:" + std::to_wstring(port_);
}

void HttpTestServer::Handle(const std::string& path, Handler handler) {
    std::lock_guard<std::mutex> guard(lock_);
    handlers_[path] = std::move(handler);
}

std::vector<std::string> HttpTestServer::Targets() const {
    std::lock_guard<std::mutex> guard(lock_);
    return targets_;
}

size_t HttpTestServer::RequestCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return targets_.size();
}

void HttpTestServer::Dispatch(const httplib::Request& request, httplib::Response& response) {
    Handler handler;
    {
        std::lock_guard<std::mutex> guard(lock_);
        targets_.push_back(request.target);
        const auto it = handlers_.find(request.path);
        if (it != handlers_.end())
            handler = it->second;
    }
    if (handler) {
        handler(request, response);
    } else {
        response.status = 404;
        response.set_content("<html><body>404 Not Found</body></html>", "text/html");
    }
}

}  // namespace test_support
