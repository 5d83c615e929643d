// Prints what the JSON library makes of service answers: the verdicts and messages of
// both its readers, the styled text of what they built and the answer table's cells.
// The Linux build links Debian's jsoncpp as shipped, the Windows build ours, patched to
// read and write numbers without the C++ runtime's streams; both must print the expected
// text, written once from the Linux build:
//
//   answer_reader_dump --expect FILE DIR...   compare (exit 1 and the first difference)
//   answer_reader_dump DIR...                 print
#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "service/kzq_json.h"

namespace {

// Bytes outside printable ASCII as \xNN, so that the text is the same on every system.
std::string Visible(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\t' || (byte >= 0x20 && byte < 0x7f)) {
            out.push_back(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        }
    }
    return out;
}

bool ReadFile(const std::filesystem::path& path, std::string& content) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content.append(buffer, got);
    std::fclose(file);
    return true;
}

// The document the installer parses for an answer body: the "OK" envelope removed,
// apostrophes turned into quotes, the payload wrapped as {"Array":...}.
std::string WrappedDocument(std::string body) {
    if (body.compare(0, 2, "OK") == 0)
        body.erase(0, 2);
    std::replace(body.begin(), body.end(), '\'', '"');
    return "{\"Array\":" + body + "}";
}

// "NAME: ok", "NAME: failed" and the messages, or the exception, then the styled text of
// what the reader built.
template <typename Parse>
std::string ParsedText(const char* name, Parse parse) {
    std::string out = name;
    Json::Value root;
    try {
        std::string errors;
        const bool ok = parse(root, errors);
        out += ok ? ": ok\n" : ": failed\n" + errors;
    } catch (const std::exception& error) {
        out += std::string(": exception ") + error.what() + "\n";
    }
    return out + root.toStyledString();
}

std::string ReaderText(const std::string& document) {
    return ParsedText("reader", [&](Json::Value& root, std::string& errors) {
        Json::Reader reader;
        const bool ok = reader.parse(document, root);
        errors = reader.getFormattedErrorMessages();
        return ok;
    });
}

std::string CharReaderText(const std::string& document) {
    return ParsedText("char reader", [&](Json::Value& root, std::string& errors) {
        const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
        return reader->parse(document.data(), document.data() + document.size(), &root, &errors);
    });
}

std::string TableText(const std::string& document) {
    CKzqJson table;
    table.Parse(document);
    std::string out = "table: " + std::to_string(table.rowCount) + " rows, " +
                      std::to_string(table.fieldCount) + " fields\n";
    for (const std::vector<std::string>& row : table.table) {
        for (size_t k = 0; k < row.size(); ++k)
            out += (k == 0 ? "" : " | ") + row[k];
        out += "\n";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::string expectedPath;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--expect" && i + 1 < argc) {
            expectedPath = argv[++i];
            continue;
        }
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(argument, error))
            files.push_back(entry.path());
        if (error) {
            std::fprintf(stderr, "cannot list %s\n", argument.c_str());
            return 2;
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no answers to read\n");
        return 2;
    }
    // Directory order differs between systems.
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.parent_path().filename().string() + "/" + a.filename().string() <
               b.parent_path().filename().string() + "/" + b.filename().string();
    });

    std::string text;
    for (const std::filesystem::path& file : files) {
        std::string body;
        if (!ReadFile(file, body)) {
            std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
            return 2;
        }
        const std::string document = WrappedDocument(body);
        text +=
            "== " + file.parent_path().filename().string() + "/" + file.filename().string() + "\n";
        text += Visible(ReaderText(document) + CharReaderText(document) + TableText(document));
    }
    if (expectedPath.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }

    std::string expected;
    if (!ReadFile(expectedPath, expected)) {
        std::fprintf(stderr, "cannot read %s\n", expectedPath.c_str());
        return 2;
    }
    if (text == expected) {
        std::printf("%zu answers, %zu bytes as expected\n", files.size(), text.size());
        return 0;
    }
    const auto mismatch = std::mismatch(text.begin(), text.end(), expected.begin(), expected.end());
    const size_t at = static_cast<size_t>(mismatch.first - text.begin());
    const size_t lineStart = text.rfind('\n', at == 0 ? 0 : at - 1);
    const size_t from = lineStart == std::string::npos ? 0 : lineStart + 1;
    // A new answer in the directories needs its text from the Linux build (unpatched
    // jsoncpp): answer_reader_dump DIR... >FILE.
    std::printf("differs from %s at byte %zu:\n  got:      %s\n  expected: %s\n",
                expectedPath.c_str(), at, text.substr(from, text.find('\n', at) - from).c_str(),
                expected.substr(from, expected.find('\n', at) - from).c_str());
    return 1;
}
