// install-service: the reference install service and its HTTP download mirror.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "catalog.h"
#include "event_log.h"
#include "installer_downloads.h"
#include "installer_tagger.h"
#include "postgres_event_store.h"
#include "postgres_events.h"
#include "report_command.h"
#include "service_host.h"

namespace {

const char kUsage[] =
    "usage: install-service --catalog FILE [options]\n"
    "       install-service report [options]   (the install funnel; report --help)\n"
    "       install-service tag --in SIGNED.exe --out TAGGED.exe --tag TEXT   (tag --help)\n"
    "  --catalog FILE        catalog of companies and applications (JSON)\n"
    "  --files DIR           files directory: package sizes, and what the mirror serves\n"
    "  --listen ADDRESS      address to listen on (default 127.0.0.1)\n"
    "  --port N              install service port, plain HTTP (default 8000; 0: any free\n"
    "                        port; off: none)\n"
    "  --tls-cert FILE       also serve the install service over HTTPS with this\n"
    "                        certificate (PEM; the server's first, then its chain)\n"
    "  --tls-key FILE        the certificate's private key (PEM)\n"
    "  --tls-port N          the HTTPS port (default 443; 0: any free port)\n"
    "  --mirror-port N       also serve DIR as HTTP download mirror on port N (0: any)\n"
    "  --mirror-address IP   the catalog server ip of this mirror (default ADDRESS:N)\n"
    "  --rtt-ms N            the mirror answers as one N ms away would (benchmarks)\n"
    "  --events FILE         event log, JSON lines (default install-events.jsonl)\n"
    "  --events postgresql://...\n"
    "                        events into PostgreSQL (the password from PGPASSFILE or\n"
    "                        PGPASSWORD, never in the URI)\n"
    "  --spill FILE          events waiting for the database (default\n"
    "                        install-events.spill.jsonl)\n"
    "  --spill-limit-kib N   largest spill file (default 262144)\n"
    "  --event-queue N       events waiting in memory for the database (default 10000)\n"
    "  --trusted-proxy IP    take the client's address from X-Real-IP on requests from\n"
    "                        this reverse proxy\n"
    "  --threads N           worker threads per listener (default 32)\n"
    "  --signing-key FILE    sign answers to requests that carry a nonce with this\n"
    "                        P-256 private key (PEM; see scripts/make-signing-key)\n"
    "  --signing-key-id ID   the key identifier to send (default: the key's own)\n"
    "  --installer FILE      serve /installer/COMNAME/APPID/NAME.exe: this signed\n"
    "                        installer.exe tagged for each catalog application\n"
    "  --quiet               log refused requests only\n"
    "  --check               check the catalog and exit\n";

// A whole number from 0 to `largest`.
bool ReadNumber(const char* text, long largest, int& number) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!*text || *end || value < 0 || value > largest)
        return false;
    number = static_cast<int>(value);
    return true;
}

bool ReadPort(const char* text, int& port) {
    return ReadNumber(text, 65535, port);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "report")
        return service::RunReport(std::vector<std::string>(argv + 2, argv + argc), std::cout,
                                  std::cerr);
    if (argc > 1 && std::string(argv[1]) == "tag")
        return service::RunTagCommand(argc - 2, argv + 2);
    service::HostOptions options;
    std::string catalogPath;
    std::string eventsPath = "install-events.jsonl";
    service::PostgresStoreOptions store;
    store.spillPath = "install-events.spill.jsonl";
    int spillLimitKib = 262144;
    int queueCapacity = 10000;
    bool checkOnly = false;
    std::string signingKeyPath;
    std::string signingKeyId;
    std::string installerPath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--check") {
            checkOnly = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (hasValue && arg == "--catalog") {
            catalogPath = argv[++i];
        } else if (hasValue && arg == "--files") {
            options.filesDir = argv[++i];
        } else if (hasValue && arg == "--listen") {
            options.listen = argv[++i];
        } else if (hasValue && arg == "--mirror-address") {
            options.mirrorAddress = argv[++i];
        } else if (hasValue && arg == "--events") {
            eventsPath = argv[++i];
        } else if (hasValue && arg == "--port" && std::string(argv[i + 1]) == "off") {
            options.servicePort = -1;
            ++i;
        } else if (hasValue && arg == "--port" && ReadPort(argv[i + 1], options.servicePort)) {
            ++i;
        } else if (hasValue && arg == "--tls-port" && ReadPort(argv[i + 1], options.tlsPort)) {
            ++i;
        } else if (hasValue && arg == "--tls-cert") {
            options.tlsCert = argv[++i];
        } else if (hasValue && arg == "--tls-key") {
            options.tlsKey = argv[++i];
        } else if (hasValue && arg == "--mirror-port" &&
                   ReadPort(argv[i + 1], options.mirrorPort)) {
            ++i;
        } else if (hasValue && arg == "--rtt-ms" &&
                   ReadNumber(argv[i + 1], 60000, options.mirrorRttMs)) {
            ++i;
        } else if (hasValue && arg == "--trusted-proxy") {
            options.trustedProxy = argv[++i];
        } else if (hasValue && arg == "--spill") {
            store.spillPath = argv[++i];
        } else if (hasValue && arg == "--spill-limit-kib" &&
                   ReadNumber(argv[i + 1], 1L << 30, spillLimitKib)) {
            ++i;
        } else if (hasValue && arg == "--event-queue" &&
                   ReadNumber(argv[i + 1], 10000000, queueCapacity)) {
            ++i;
        } else if (hasValue && arg == "--signing-key") {
            signingKeyPath = argv[++i];
        } else if (hasValue && arg == "--signing-key-id") {
            signingKeyId = argv[++i];
        } else if (hasValue && arg == "--installer") {
            installerPath = argv[++i];
        } else if (hasValue && arg == "--threads") {
            options.threads = std::atoi(argv[++i]);
        } else {
            std::cerr << "install-service: bad argument " << arg << "\n" << kUsage;
            return 2;
        }
    }
    if (catalogPath.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (options.tlsCert.empty() != options.tlsKey.empty()) {
        std::cerr << "install-service: --tls-cert and --tls-key go together\n";
        return 2;
    }
    if (options.servicePort < 0 && options.tlsCert.empty()) {
        std::cerr << "install-service: --port off needs --tls-cert\n";
        return 2;
    }
    if (options.mirrorPort >= 0 && options.filesDir.empty()) {
        std::cerr << "install-service: the mirror needs --files\n";
        return 2;
    }
    std::string error;
    const bool toDatabase = service::IsPostgresUri(eventsPath);
    if (toDatabase && !service::CheckPostgresUri(eventsPath, error)) {
        std::cerr << "install-service: " << error << "\n";
        return 2;
    }

    service::AnswerSigner signer;
    if (!signingKeyPath.empty()) {
        if (!signer.Load(signingKeyPath, error)) {
            std::cerr << "install-service: " << error << "\n";
            return 1;
        }
        if (!signingKeyId.empty())
            signer.SetKeyId(signingKeyId);
        options.signer = &signer;
    } else if (!signingKeyId.empty()) {
        std::cerr << "install-service: --signing-key-id needs --signing-key\n";
        return 2;
    }

    service::Catalog catalog;
    if (!catalog.LoadFile(catalogPath, options.filesDir, error)) {
        std::cerr << "install-service: " << error << "\n";
        return 1;
    }
    std::unique_ptr<service::InstallerDownloads> installers;
    if (!installerPath.empty()) {
        std::ifstream in(installerPath, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        installers = std::make_unique<service::InstallerDownloads>(catalog, std::move(bytes));
        if (!in || !installers->Check(error)) {
            std::cerr << "install-service: --installer " << installerPath << ": "
                      << (in ? error : "cannot read it") << "\n";
            return 1;
        }
        options.installers = installers.get();
    }
    if (checkOnly) {
        for (const auto& [comname, company] : catalog.Companies())
            for (const auto& [appid, app] : company.applications)
                std::cout << comname << "/" << appid << ": " << app.servers.size() << " server(s), "
                          << app.packages.size() << " package(s)\n";
        return 0;
    }

    // Signals are taken by sigwait below, not by handlers: stopping the listeners is not
    // something a signal handler may do.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<service::EventSink> events;
    service::PostgresEventStore* database = nullptr;
    if (toDatabase) {
        store.uri = eventsPath;
        store.spillMaxBytes = static_cast<uint64_t>(spillLimitKib) * 1024;
        store.queueCapacity = static_cast<size_t>(std::max(queueCapacity, 1));
        auto owned = std::make_unique<service::PostgresEventStore>(store);
        database = owned.get();
        database->Start();
        events = std::move(owned);
    } else {
        events = std::make_unique<service::EventLog>(eventsPath);
    }
    service::ServiceHost host(catalog, *events, options);
    if (!host.Bind(error)) {
        std::cerr << "install-service: " << error << "\n";
        return 1;
    }
    host.Start();
    if (host.ServicePort() > 0)
        std::cout << "install service listening on " << options.listen << ":" << host.ServicePort()
                  << "\n";
    if (host.TlsPort() > 0)
        std::cout << "install service listening for HTTPS on " << options.listen << ":"
                  << host.TlsPort() << "\n";
    if (host.MirrorPort() > 0)
        std::cout << "HTTP mirror listening on " << options.listen << ":" << host.MirrorPort()
                  << " (catalog ip " << host.MirrorAddress() << ", files " << options.filesDir
                  << ")\n";
    if (options.signer != nullptr)
        std::cout << "answers signed with key " << signer.KeyId() << "\n";
    if (toDatabase)
        std::cout << "events into " << eventsPath << " (spill file " << store.spillPath << ")"
                  << std::endl;
    else
        std::cout << "event log " << eventsPath << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    service::LogLine(std::string("stopping on signal ") + std::to_string(received));
    host.Stop();
    if (database)
        database->Stop();
    return 0;
}
