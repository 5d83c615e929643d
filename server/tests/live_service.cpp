#include "live_service.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/text_codec.h"

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream data;
    data << file.rdbuf();
    return data.str();
}

void WriteFile(const std::string& path, const std::string& data) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << data;
}

std::vector<Json::Value> ReadEvents(const std::string& path) {
    std::vector<Json::Value> events;
    std::istringstream lines(ReadFile(path));
    std::string line;
    Json::CharReaderBuilder builder;
    while (std::getline(lines, line)) {
        Json::Value event;
        std::string errors;
        std::istringstream in(line);
        EXPECT_TRUE(Json::parseFromStream(builder, in, &event, &errors)) << line;
        events.push_back(event);
    }
    return events;
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (auto& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

namespace {

// {HTTP} and {FTP} stand for the two servers' ips.
const char kCatalog[] = R"({
  "companies": [
    {"comname": "Vornel", "applications": [
      {"appid": "qz", "currentver": "2.1",
       "firstpage": {"title": "测试程序", "titlecolor": "red", "titlesize": "18",
                     "bodytext": "<b>hello</b><br>world", "ver": "2.1",
                     "copyright": "/app/agree.txt", "leftjpg": "app/side.bmp",
                     "setuppath": "C:\\Apps\\Qz", "needsize": "12"},
       "companyname": {"DisplayName": "Qz 测试", "Publisher": "Vornel"},
       "servers": [
         {"ip": "{HTTP}", "http": "Y", "ftp": "N", "username": "mirroruser", "password": "Mirror.Pass-1"},
         {"ip": "{FTP}", "http": "N", "ftp": "Y", "username": "ftpuser", "password": "Ftp~Pass_2"}],
       "versions": [{"ver": "2.1", "note": "current"}, {"ver": "2.0"}],
       "packages": [
         {"id": "main", "filename": "main.zip", "downfilename": "/app/main.zip", "ver": "2.1",
          "password": "Arch1ve-Pass", "when": {"ver": "2.1"}},
         {"id": "old", "filename": "old.zip", "downfilename": "/app/old.zip", "filesize": "77",
          "when": {"ver": "2.0"}},
         {"id": "rt20", "filename": "rt20.zip", "filesize": "5", "rarpath": "lib",
          "when": {"netver": ["2.0"]}},
         {"id": "rt40", "filename": "rt40.zip", "filesize": "6", "rarpath": "lib",
          "when": {"netver": "4.0"}},
         {"id": "fw40", "filename": "fw40.exe", "filesize": "9", "setupparam": "/q",
          "when": {"netver": "4.0", "Net40": "N"}},
         {"id": "nowhere", "filename": "nowhere.zip", "filesize": "1", "when": {"os": "no-such-os"}},
         {"id": "tiny", "filename": "tiny.bin", "downfilename": "/app/tiny.bin", "haveexistsdown": "N"}],
       "shortcuts": [
         {"type": "desktop", "name": "Qz", "icon": "qz.exe", "exename": "qz.exe"},
         {"netver": "4.0", "type": "menu", "name": "Qz 4", "icon": "bin\\qz4.exe", "exename": "bin\\qz4.exe"}],
       "appexe": [{"path": "tools", "exename": "t.exe"}, {"path": "", "exename": "u.exe"}],
       "appfilesnot": [{"filename": "*.db"}, {"filename": "user.cfg"}]}]},
    {"comname": "Other", "applications": [{"appid": "x"}]}]
})";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

LiveService::LiveService(const std::string& trustedProxy, const service::AnswerSigner* signer)
    : root_(text::WideToUtf8(temp_.path())) {
    WriteFile(FilesDir() + "/app/main.zip", PatternBytes(kMainZipSize, 1));
    WriteFile(FilesDir() + "/app/agree.txt", "agreement text\n");
    WriteFile(FilesDir() + "/app/side.bmp", PatternBytes(2048, 2));
    WriteFile(FilesDir() + "/app/tiny.bin", "x");
    WriteFile(FilesDir() + "/app/empty.bin", "");
    WriteFile(root_ + "/secret.txt", "outside the files directory");
    std::filesystem::create_symlink(root_ + "/secret.txt", FilesDir() + "/app/link.txt");

    events_ = std::make_unique<service::EventLog>(EventsPath());
    service::HostOptions options;
    options.servicePort = 0;
    options.mirrorPort = 0;
    options.filesDir = FilesDir();
    options.threads = 8;
    options.trustedProxy = trustedProxy;
    options.quiet = true;
    options.signer = signer;
    host_ = std::make_unique<service::ServiceHost>(catalog_, *events_, options);
    std::string error;
    if (!host_->Bind(error)) {
        ADD_FAILURE() << error;
        return;
    }
    const std::string text =
        Replace(Replace(kCatalog, "{HTTP}", MirrorAddress()), "{FTP}", FtpAddress());
    if (!catalog_.LoadText(text, FilesDir(), error))
        ADD_FAILURE() << error;
    host_->Start();
}

LiveService::~LiveService() {
    host_->Stop();
}

std::string LiveService::ServiceAddress() const {
    return "127.0.0.1:" + std::to_string(host_->ServicePort());
}

std::string LiveService::MirrorAddress() const {
    return host_->MirrorAddress();
}
