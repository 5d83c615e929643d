#include "file_mirror.h"

#include <httplib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "service/base64.h"

namespace service {
namespace {

bool ParseNumber(const std::string& text, uint64_t& value) {
    if (text.empty() || text.size() > 19)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

}  // namespace

bool ResolveServedFile(const std::string& root, const std::string& requestPath,
                       std::string& filePath) {
    namespace fs = std::filesystem;
    if (requestPath.find('\\') != std::string::npos || requestPath.find('\0') != std::string::npos)
        return false;
    fs::path relative;
    size_t start = 0;
    while (start <= requestPath.size()) {
        size_t end = requestPath.find('/', start);
        if (end == std::string::npos)
            end = requestPath.size();
        const std::string segment = requestPath.substr(start, end - start);
        if (segment == "..")
            return false;
        if (!segment.empty() && segment != ".")
            relative /= segment;
        start = end + 1;
    }
    if (relative.empty())
        return false;
    std::error_code ec;
    const fs::path base = fs::canonical(root, ec);
    if (ec)
        return false;
    const fs::path target = fs::canonical(base / relative, ec);
    if (ec || !fs::is_regular_file(target, ec))
        return false;
    // Links may point anywhere: what is served must still lie below the root.
    const auto mismatch = std::mismatch(base.begin(), base.end(), target.begin(), target.end());
    if (mismatch.first != base.end())
        return false;
    filePath = target.string();
    return true;
}

RangeKind ParseRange(const std::string& header, uint64_t size, uint64_t& first, uint64_t& last) {
    const std::string prefix = "bytes=";
    if (header.compare(0, prefix.size(), prefix) != 0)
        return RangeKind::Whole;
    const std::string range = header.substr(prefix.size());
    const size_t dash = range.find('-');
    if (range.find(',') != std::string::npos || dash == std::string::npos)
        return RangeKind::Whole;
    const std::string from = range.substr(0, dash);
    const std::string to = range.substr(dash + 1);
    uint64_t a = 0;
    uint64_t b = 0;
    if (from.empty()) {  // the last n bytes
        if (!ParseNumber(to, b))
            return RangeKind::Whole;
        if (b == 0 || size == 0)
            return RangeKind::Unsatisfiable;
        first = b >= size ? 0 : size - b;
        last = size - 1;
        return RangeKind::Part;
    }
    if (!ParseNumber(from, a) || (!to.empty() && !ParseNumber(to, b)))
        return RangeKind::Whole;
    if (!to.empty() && b < a)
        return RangeKind::Whole;
    if (a >= size)
        return RangeKind::Unsatisfiable;
    first = a;
    last = to.empty() || b >= size ? size - 1 : b;
    return RangeKind::Part;
}

bool FileMirror::Accepts(const std::string& user, const std::string& password) const {
    for (const auto& [acceptedUser, acceptedPassword] : accepted_)
        if (user == acceptedUser && password == acceptedPassword)
            return true;
    return false;
}

void FileMirror::Handle(const httplib::Request& request, httplib::Response& response,
                        std::string& note) const {
    // The library would cut the body a second time by the request's ranges: this
    // handler answers ranges itself.
    const_cast<httplib::Request&>(request).ranges.clear();
    response.set_header("Accept-Ranges", "bytes");

    // Package downloads carry the credentials in the query; the agreement text and the
    // side picture come with basic authentication.
    std::string user;
    std::string password;
    bool given = false;
    if (request.has_param("username") || request.has_param("password")) {
        user = request.get_param_value("username");
        password = request.get_param_value("password");
        given = true;
    } else {
        const std::string authorization = request.get_header_value("Authorization");
        if (authorization.compare(0, 6, "Basic ") == 0) {
            std::string pair;
            const size_t colon =
                DecodeBase64(authorization.substr(6), pair) ? pair.find(':') : std::string::npos;
            if (colon != std::string::npos) {
                user = pair.substr(0, colon);
                password = pair.substr(colon + 1);
                given = !user.empty() || !password.empty();
            }
        }
    }
    if (!given) {
        response.status = 401;
        response.set_header("WWW-Authenticate", "Basic realm=\"download mirror\"");
        note = "no credentials";
        return;
    }
    if (!Accepts(user, password)) {
        response.status = 403;
        note = "wrong credentials for user " + user;
        return;
    }
    std::string path;
    if (!ResolveServedFile(root_, request.path, path)) {
        response.status = 404;
        note = "not served";
        return;
    }
    std::error_code ec;
    const uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        response.status = 404;
        note = "not readable";
        return;
    }
    uint64_t first = 0;
    uint64_t last = size ? size - 1 : 0;
    const RangeKind kind = request.has_header("Range")
                               ? ParseRange(request.get_header_value("Range"), size, first, last)
                               : RangeKind::Whole;
    if (kind == RangeKind::Unsatisfiable) {
        response.status = 416;
        response.set_header("Content-Range", "bytes */" + std::to_string(size));
        note = "range not satisfiable: " + request.get_header_value("Range");
        return;
    }
    if (kind == RangeKind::Part) {
        response.status = 206;
        response.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                 std::to_string(last) + "/" + std::to_string(size));
        note = "bytes " + std::to_string(first) + "-" + std::to_string(last);
    } else {
        response.status = 200;
        note = std::to_string(size) + " bytes";
    }
    const uint64_t length = size == 0 ? 0 : last - first + 1;
    if (length == 0) {
        response.set_content("", "application/octet-stream");
        return;
    }
    auto file = std::make_shared<std::ifstream>(path, std::ios::binary);
    if (!*file) {
        response.status = 404;
        note = "cannot open";
        return;
    }
    response.set_content_provider(
        static_cast<size_t>(length), "application/octet-stream",
        [file, first](size_t offset, size_t wanted, httplib::DataSink& sink) {
            char buffer[65536];
            file->seekg(static_cast<std::streamoff>(first + offset));
            const size_t count = std::min(wanted, sizeof buffer);
            file->read(buffer, static_cast<std::streamsize>(count));
            const std::streamsize got = file->gcount();
            if (got <= 0)
                return false;
            sink.write(buffer, static_cast<size_t>(got));
            return true;
        });
}

}  // namespace service
