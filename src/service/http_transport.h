#pragma once
// One GET through libcurl, and the pieces of a service query around it. The query
// operations themselves are members of CInstallContext (service_transport.cpp).
#include <cstddef>
#include <string>
#include <vector>

class CInstallContext;

// The largest service answer read: anything longer ends the transfer with a write error
// (CURLcode 23), as a failed transfer, before it can fill the memory or the log.
inline constexpr size_t kMaxServiceAnswerBytes = 4 * 1024 * 1024;

// GETs `url` (sent in the system code page) and appends every byte received to `body`
// (at most kMaxServiceAnswerBytes in all).
// Sets the URL, the write callback and a 3-second limit on the whole transfer, so
// redirects are not followed and HTTP error statuses are no failure. TLS verification is
// the library's, never turned off, and an HTTPS server's certificate is checked once more
// with the system's policy before the request goes out (platform/tls_peer.h). Stores the
// libcurl result code in context.lastTransferResult (left alone when no handle could be
// created) and returns true for CURLE_OK; on failure `failure`, when given, receives
// libcurl's code and error text, and the certificate's fault when it was refused.
// `headers`, when given, adds a request header and collects one of the answer's.
struct HttpHeaderExchange {
    std::string sendName;  // sent with its value when not empty
    std::string sendValue;
    std::string receiveName;            // the answer's header to collect (any letter case)
    std::vector<std::string> received;  // its values, in order
    std::string target;                 // the request target as sent: path and query
};
bool HttpGet(CInstallContext& context, const std::wstring& url, std::string& body,
             std::wstring* failure = nullptr, HttpHeaderExchange* headers = nullptr);

// "http://entry/inst/?query" when the entry has a colon after its first character
// (address:port), "https://entry/inst/?query" otherwise.
std::wstring ServiceUrl(const std::wstring& entry, const std::wstring& query);

// The answer text: bytes up to the first NUL, read as UTF-8 and taken through the system
// code page (characters it lacks become its default character).
std::wstring DecodeServiceAnswer(const std::string& body);
