#include "service_host.h"

#include <httplib.h>
#include <sys/socket.h>

#include <cctype>
#include <chrono>
#include <ctime>
#include <iostream>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "answer_writer.h"
#include "file_mirror.h"
#include "install_service.h"
#include "service/answer_signature.h"

namespace service {
namespace {

// Set by a handler that logged its own answer; the library's logger runs afterwards on
// the same thread and then stays quiet.
thread_local bool handlerLogged = false;

bool IsPasswordParameter(const std::string& name) {
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "password";
}

// Query strings of the mirror carry passwords: they never reach the log, whatever their
// letter case and whatever the (decoded) value holds.
std::string RequestTarget(const httplib::Request& request) {
    std::string target = request.path;
    bool first = true;
    for (const auto& [name, value] : request.params) {
        target += first ? "?" : "&";
        target += name + "=" + (IsPasswordParameter(name) ? "***" : value);
        first = false;
    }
    return Printable(target, 300);
}

void InstallCommonHandlers(httplib::Server& server, const std::string& name, bool quiet) {
    server.set_exception_handler([name](const httplib::Request& request,
                                        httplib::Response& response, std::exception_ptr error) {
        std::string what = "unknown";
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        LogLine(name + " " + request.remote_addr + " " + request.method + " " +
                RequestTarget(request) + " -> 500 " + Printable(what, 200));
        response.status = 500;
        response.set_content("ER internal error", "text/plain; charset=utf-8");
    });
    server.set_logger(
        [name, quiet](const httplib::Request& request, const httplib::Response& response) {
            // The handlers log what they answered; here only what never reached them.
            if (handlerLogged) {
                handlerLogged = false;
                return;
            }
            if (quiet && response.status < 400)
                return;
            LogLine(name + " " + request.remote_addr + " " + request.method + " " +
                    RequestTarget(request) + " -> " + std::to_string(response.status));
        });
}

// What a link with a round-trip time costs a client of the HTTP mirror. Over a real link a
// request waits one round trip for its answer to start (the request travels there, the
// answer back), and a new connection first pays one more for the TCP handshake; the bytes
// then flow without waiting (the bandwidth is not limited here). The simulation charges
// exactly that: each answer starts one round trip late, the first on a connection two.
class LinkLatency {
  public:
    explicit LinkLatency(int rttMs) : rttMs_(rttMs) {}

    void Wait(const httplib::Request& request) {
        if (rttMs_ <= 0)
            return;
        int trips = 1;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (connections_.insert({request.remote_addr, request.remote_port}).second)
                trips = 2;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(trips * rttMs_));
    }

  private:
    const int rttMs_;
    std::mutex lock_;
    // Client address and port of every connection seen (a benchmark's worth).
    std::set<std::pair<std::string, int>> connections_;
};

}  // namespace

void LogLine(const std::string& line) {
    static std::mutex lock;
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::lock_guard<std::mutex> guard(lock);
    std::cerr << stamp << ' ' << line << '\n' << std::flush;
}

ServiceHost::ServiceHost(const Catalog& catalog, EventSink& events, HostOptions options)
    : catalog_(catalog), events_(events), options_(std::move(options)) {}

ServiceHost::~ServiceHost() {
    Stop();
}

std::string ServiceHost::MirrorAddress() const {
    if (!options_.mirrorAddress.empty())
        return options_.mirrorAddress;
    return options_.listen + ":" + std::to_string(mirrorPort_);
}

bool ServiceHost::Bind(std::string& error) {
    const int threads = options_.threads > 0 ? options_.threads : 32;
    const auto setUp = [threads](std::unique_ptr<httplib::Server> server) {
        // Answers are small and written in pieces: without this, delayed acknowledgements
        // hold every answer on a kept-alive connection back by tens of milliseconds.
        server->set_tcp_nodelay(true);
        // The library's default also shares the port with any other listener on it, so a
        // second instance would start silently beside a stale one: bind it alone.
        server->set_socket_options([](int sock) {
            int on = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        });
        // Keep-alive connections hold a thread each: enough threads for many clients.
        server->new_task_queue = [threads] {
            return new httplib::ThreadPool(static_cast<size_t>(threads));
        };
        return server;
    };
    const auto make = [&setUp] { return setUp(std::make_unique<httplib::Server>()); };
    const auto bind = [&](httplib::Server& server, int wanted, int& port, const char* what) {
        port = wanted == 0 ? server.bind_to_any_port(options_.listen)
                           : (server.bind_to_port(options_.listen, wanted) ? wanted : -1);
        if (port <= 0) {
            error = std::string("cannot listen for the ") + what + " on " + options_.listen + ":" +
                    std::to_string(wanted);
            return false;
        }
        return true;
    };
    if (options_.servicePort >= 0) {
        service_ = make();
        if (!bind(*service_, options_.servicePort, servicePort_, "install service"))
            return false;
    }
    if (!options_.tlsCert.empty()) {
        auto tls =
            std::make_unique<httplib::SSLServer>(options_.tlsCert.c_str(), options_.tlsKey.c_str());
        if (!tls->is_valid()) {
            error = "cannot use the certificate " + options_.tlsCert + " with the key " +
                    options_.tlsKey;
            return false;
        }
        tls_ = setUp(std::move(tls));
        if (!bind(*tls_, options_.tlsPort, tlsPort_, "install service over HTTPS"))
            return false;
    }
    if (options_.mirrorPort >= 0) {
        mirror_ = make();
        if (!bind(*mirror_, options_.mirrorPort, mirrorPort_, "HTTP mirror"))
            return false;
    }
    return true;
}

void ServiceHost::Start() {
    const bool quiet = options_.quiet;
    auto handler = [this, quiet](const httplib::Request& request, httplib::Response& response) {
        ServiceRequest query;
        query.client = request.remote_addr;
        if (!options_.trustedProxy.empty() && request.remote_addr == options_.trustedProxy &&
            request.has_header("X-Real-IP"))
            query.client = Printable(request.get_header_value("X-Real-IP"), 64);
        for (const auto& param : request.params)
            query.params.push_back(param);
        const ServiceReply reply = InstallService(catalog_, events_).Handle(query);
        response.set_content(reply.body, "text/plain; charset=utf-8");
        const std::string nonce = request.get_header_value(kNonceHeader);
        if (options_.signer != nullptr && IsAnswerNonce(nonce)) {
            // The target as it came on the request line: the installer signs nothing else.
            const std::string signature = options_.signer->Sign(nonce, request.target, reply.body);
            if (!signature.empty())
                response.set_header(kSignatureHeader, signature);
        }
        handlerLogged = true;
        if (!quiet || !reply.ok)
            LogLine("service " + request.remote_addr + " GET " + RequestTarget(request) + " -> " +
                    Printable(reply.note, 200));
    };
    auto installerHandler = [this, quiet](const httplib::Request& request,
                                          httplib::Response& response) {
        const std::string comname = request.matches[1];
        const std::string appid = request.matches[2];
        const std::string file = request.matches[3];
        TaggedInstaller installer;
        // The name becomes the file's name on the user's disk, and the installer takes the
        // application's name from it.
        if (!IsNameToken(file.substr(0, file.size() - 4)) ||
            !options_.installers->Find(comname, appid, installer)) {
            response.status = 404;
            response.set_content("no such installer\n", "text/plain; charset=utf-8");
        } else {
            response.set_header("ETag", installer.etag);
            if (request.get_header_value("If-None-Match") == installer.etag) {
                response.status = 304;
            } else {
                response.set_header("Content-Disposition", "attachment; filename=\"" + file + "\"");
                // The cached bytes are shared, not copied per download.
                auto bytes = installer.bytes;
                response.set_content_provider(
                    bytes->size(), "application/octet-stream",
                    [bytes](size_t offset, size_t length, httplib::DataSink& sink) {
                        return sink.write(bytes->data() + offset, length);
                    });
            }
        }
        handlerLogged = true;
        if (!quiet || response.status >= 400)
            LogLine("service " + request.remote_addr + " GET " + RequestTarget(request) + " -> " +
                    std::to_string(response.status));
    };
    const auto serve = [&](httplib::Server* server, std::thread& thread) {
        if (server == nullptr)
            return;
        InstallCommonHandlers(*server, "service", quiet);
        // The installer asks "/inst/?..."; "/inst" alone is taken as the same.
        server->Get("/inst/?", handler);
        if (options_.installers != nullptr)
            server->Get(R"(/installer/([^/]+)/([^/]+)/([^/]+\.exe))", installerHandler);
        // For load balancers and monitoring: the instance is up and answering.
        server->Get("/health", [](const httplib::Request&, httplib::Response& response) {
            handlerLogged = true;
            response.set_content("OK\n", "text/plain; charset=utf-8");
        });
        thread = std::thread([server] { server->listen_after_bind(); });
    };
    serve(service_.get(), serviceThread_);
    serve(tls_.get(), tlsThread_);

    if (mirror_) {
        const std::string address = MirrorAddress();
        const auto accepted = catalog_.CredentialsFor(address, "http");
        if (accepted.empty())
            LogLine("mirror: no catalog server with ip " + address +
                    " serves HTTP: every request will be refused");
        InstallCommonHandlers(*mirror_, "mirror", quiet);
        auto files = std::make_shared<FileMirror>(options_.filesDir, accepted);
        auto latency = std::make_shared<LinkLatency>(options_.mirrorRttMs);
        mirror_->Get(".*", [files, latency, quiet](const httplib::Request& request,
                                                   httplib::Response& response) {
            latency->Wait(request);
            std::string note;
            files->Handle(request, response, note);
            handlerLogged = true;
            if (!quiet || response.status >= 400)
                LogLine("mirror " + request.remote_addr + " " + request.method + " " +
                        RequestTarget(request) + " -> " + std::to_string(response.status) + " " +
                        Printable(note, 200));
        });
        mirrorThread_ = std::thread([this] { mirror_->listen_after_bind(); });
    }
    // Stop() right after Start() must find the listeners running, or they would start
    // after it and never end.
    for (int i = 0; i < 400; ++i) {
        bool running = true;
        for (auto* server : {service_.get(), tls_.get(), mirror_.get()})
            running = running && (server == nullptr || server->is_running());
        if (running)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ServiceHost::Stop() {
    for (auto* server : {service_.get(), tls_.get(), mirror_.get()})
        if (server)
            server->stop();
    for (auto* thread : {&serviceThread_, &tlsThread_, &mirrorThread_})
        if (thread->joinable())
            thread->join();
}

}  // namespace service
