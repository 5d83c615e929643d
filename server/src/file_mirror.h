#pragma once
// The HTTP download mirror: serves the files directory to the installer with HEAD,
// plain GET and single-range GET, after checking the credentials the install service
// handed out for this mirror.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace service {

// Maps a request path to a file below `root`. Empty segments (doubled slashes) are
// skipped; ".." segments, backslashes, NUL bytes and paths that leave the root through
// a link are refused. True with the file's path when it names a regular file.
bool ResolveServedFile(const std::string& root, const std::string& requestPath,
                       std::string& filePath);

enum class RangeKind { Whole, Part, Unsatisfiable };

// Interprets a Range header for a file of `size` bytes. One range of the form
// "bytes=a-b", "bytes=a-" or "bytes=-n" gives Part with the inclusive byte numbers
// (an end past the file is cut to it); a start at or past the end gives Unsatisfiable;
// no header, several ranges or a malformed header give Whole (the server may ignore a
// range it does not serve).
RangeKind ParseRange(const std::string& header, uint64_t size, uint64_t& first, uint64_t& last);

using Credential = std::pair<std::string, std::string>;

class FileMirror {
  public:
    FileMirror(std::string root, std::vector<Credential> accepted)
        : root_(std::move(root)), accepted_(std::move(accepted)) {}

    // Answers one GET or HEAD; `note` receives a line for the access log.
    void Handle(const httplib::Request& request, httplib::Response& response,
                std::string& note) const;

  private:
    bool Accepts(const std::string& user, const std::string& password) const;

    std::string root_;
    std::vector<Credential> accepted_;
};

}  // namespace service
