#pragma once
// An install service and its HTTP mirror running in this process on free loopback
// ports, over a small catalog and files directory of the test's own.
#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

#include "catalog.h"
#include "event_log.h"
#include "service_host.h"
#include "support/temp_dir.h"

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
std::vector<Json::Value> ReadEvents(const std::string& path);
// Deterministic bytes that no compressor shrinks much.
std::string PatternBytes(size_t size, unsigned seed);

class LiveService {
  public:
    // Credentials the test catalog gives the two servers.
    static constexpr const char* kHttpUser = "mirroruser";
    static constexpr const char* kHttpPassword = "Mirror.Pass-1";
    static constexpr const char* kFtpUser = "ftpuser";
    static constexpr const char* kFtpPassword = "Ftp~Pass_2";
    static constexpr const char* kArchivePassword = "Arch1ve-Pass";
    static constexpr size_t kMainZipSize = 300000;

    // trustedProxy: HostOptions::trustedProxy; `signer`, when given, signs the answers to
    // requests that carry a nonce.
    explicit LiveService(const std::string& trustedProxy = "",
                         const service::AnswerSigner* signer = nullptr);
    ~LiveService();

    const std::string& Root() const { return root_; }
    std::string FilesDir() const { return root_ + "/files"; }
    std::string EventsPath() const { return root_ + "/events.jsonl"; }
    std::string ServiceAddress() const;  // 127.0.0.1:port
    std::string MirrorAddress() const;   // 127.0.0.1:port, the catalog's HTTP server ip
    std::string FtpAddress() const { return "127.0.0.1:2"; }  // listed, never contacted
    int MirrorPort() const { return host_->MirrorPort(); }
    int ServicePort() const { return host_->ServicePort(); }

  private:
    ScopedTempDir temp_;
    std::string root_;
    service::Catalog catalog_;
    std::unique_ptr<service::EventLog> events_;
    std::unique_ptr<service::ServiceHost> host_;
};
