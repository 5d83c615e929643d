#include "service/http_post.h"

#include <new>

#include "platform/text_codec.h"

std::string AnsiToUtf8(std::string_view ansi) {
    return text::SystemToUtf8(ansi);
}

std::string Utf8ToAnsi(std::string_view utf8) {
    return text::Utf8ToSystem(utf8);
}

std::string CHttpPostClass::UrlEncode(std::string_view ansi) const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    try {
        const std::string utf8 = AnsiToUtf8(ansi);
        std::string encoded;
        encoded.reserve(utf8.size() * 3);
        for (const char c : utf8) {
            const auto byte = static_cast<unsigned char>(c);
            const bool alnum = (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                               (byte >= 'a' && byte <= 'z');
            if (alnum || byte == '-' || byte == '_') {
                encoded.push_back(c);
            } else if (byte == ' ' || (byte >= '\t' && byte <= '\r')) {
                encoded.push_back('+');
            } else {
                encoded.push_back('%');
                encoded.push_back(kHex[byte >> 4]);
                encoded.push_back(kHex[byte & 0xF]);
            }
        }
        return encoded;
    } catch (const std::bad_alloc&) {
        return "SrcUrl:" + std::string(ansi) + "\r\nEncode Error";
    }
}
