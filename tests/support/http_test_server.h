#pragma once
// A loopback HTTP server for tests (cpp-httplib): listens on 127.0.0.1 on a free port in
// a background thread from construction to destruction. Handlers are registered per path
// at any time; every request target (path and query exactly as the client sent them) is
// recorded in arrival order. Paths without a handler get 404.
//
//   HttpTestServer server;
//   server.Handle("/inst/", [](const httplib::Request&, httplib::Response& res) {
//       res.set_content("OK[]", "text/plain");
//   });
//   ... request http://127.0.0.1:<server.Port()>/inst/?a=b ...
//   EXPECT_EQ(server.Targets(), std::vector<std::string>{"/inst/?a=b"});
#include <httplib.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

class HttpTestServer {
  public:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // False when no port could be bound (the test should fail then).
    bool Running() const { return port_ > 0; }
    int Port() const { return port_; }
    // "127.0.0.1:<port>", as narrow and as wide text.
    std::string HostPort() const;
    std::wstring WideHostPort() const;

    // Answers GET (and HEAD) requests whose path (without the query) equals `path`.
    void Handle(const std::string& path, Handler handler);
    // Every request target received so far, in order.
    std::vector<std::string> Targets() const;
    size_t RequestCount() const;

    // Stops listening and waits for running handlers; the destructor does it too.
    void Stop();

  private:
    void Dispatch(const httplib::Request& request, httplib::Response& response);

    httplib::Server server_;
    std::thread thread_;
    int port_ = -1;
    mutable std::mutex lock_;
    std::map<std::string, Handler> handlers_;
    std::vector<std::string> targets_;
};

}  // namespace test_support
