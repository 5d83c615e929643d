#pragma once
// The listeners of the install-service program: the install service ("/inst/") on a
// plain HTTP port, an HTTPS port or both, and, optionally, the HTTP download mirror on
// another port, all on one address.
#include <memory>
#include <string>
#include <thread>

#include "answer_signer.h"
#include "catalog.h"
#include "event_sink.h"
#include "installer_downloads.h"

namespace httplib {
class Server;
}

namespace service {

struct HostOptions {
    std::string listen = "127.0.0.1";
    int servicePort = 8000;  // 0: any free port; -1: no plain HTTP listener
    // The HTTPS listener of the service, when a certificate (PEM, the chain after the
    // server's own) and its key are given.
    std::string tlsCert;
    std::string tlsKey;
    int tlsPort = 443;    // 0: any free port
    int mirrorPort = -1;  // -1: no mirror; 0: any free port
    // The catalog's "ip" of this mirror, whose credentials it accepts; empty:
    // listen address + ":" + mirror port.
    std::string mirrorAddress;
    std::string filesDir;
    // The mirror answers as one this many milliseconds away would (see ServiceHost::Start).
    int mirrorRttMs = 0;
    // Signs the answers to requests that carry a nonce; none: answers go unsigned.
    const AnswerSigner* signer = nullptr;
    // Requests from this address (a reverse proxy) name their client in X-Real-IP; the
    // events record that client instead of the proxy. Empty: no proxy is trusted.
    std::string trustedProxy;
    // Answers "/installer/<comname>/<appid>/<name>.exe" with the installer tagged for that
    // application; none: no installers are served.
    InstallerDownloads* installers = nullptr;
    int threads = 32;
    bool quiet = false;  // log refused requests only
};

class ServiceHost {
  public:
    ServiceHost(const Catalog& catalog, EventSink& events, HostOptions options);
    ~ServiceHost();

    // Binds the ports; afterwards ServicePort() and MirrorPort() tell where.
    bool Bind(std::string& error);
    // Starts answering on threads of its own (reads the catalog's mirror credentials now).
    void Start();
    // Stops both listeners and waits for them.
    void Stop();

    int ServicePort() const { return servicePort_; }
    int TlsPort() const { return tlsPort_; }
    int MirrorPort() const { return mirrorPort_; }
    std::string MirrorAddress() const;

  private:
    const Catalog& catalog_;
    EventSink& events_;
    HostOptions options_;
    std::unique_ptr<httplib::Server> service_;
    std::unique_ptr<httplib::Server> tls_;
    std::unique_ptr<httplib::Server> mirror_;
    std::thread serviceThread_;
    std::thread tlsThread_;
    std::thread mirrorThread_;
    int servicePort_ = -1;
    int tlsPort_ = -1;
    int mirrorPort_ = -1;
};

// One line on standard error, with a timestamp; lines of several threads never mix.
void LogLine(const std::string& line);

}  // namespace service
