#pragma once
// Shared by the tests of the finishing installation steps: a loopback install service
// with canned answers, a front-end that records, and a context wired to both.
#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/install_context.h"
#include "install/install_events.h"
#include "platform/file.h"
#include "platform/text_codec.h"
#include "recording_events.h"
#include "support/temp_dir.h"

// Answers "/inst/?...&action=X" with the body set for X ("ER ..." for any other) and
// remembers the actions in the order they arrived.
class LoopbackService {
  public:
    LoopbackService() {
        server_.Get("/inst/", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string action = request.get_param_value("action");
            std::string body = "ER no answer for " + action;
            {
                std::lock_guard<std::mutex> guard(lock_);
                actions_.push_back(action);
                const auto it = answers_.find(action);
                if (it != answers_.end())
                    body = it->second;
            }
            response.set_content(body, "text/plain; charset=utf-8");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() only reaches a server whose loop has started.
        for (int i = 0; i < 500 && !server_.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~LoopbackService() {
        server_.stop();
        thread_.join();
    }
    LoopbackService(const LoopbackService&) = delete;
    LoopbackService& operator=(const LoopbackService&) = delete;

    // The whole answer body, UTF-8, such as "OK[{'type':'desktop'}]".
    void Answer(const std::string& action, const std::string& body) {
        std::lock_guard<std::mutex> guard(lock_);
        answers_[action] = body;
    }
    std::vector<std::string> Actions() const {
        std::lock_guard<std::mutex> guard(lock_);
        return actions_;
    }
    std::wstring Address() const { return L"127.0.0.1:" + std::to_wstring(port_); }

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex lock_;
    std::map<std::string, std::string> answers_;
    std::vector<std::string> actions_;
};

inline std::string ReadBytes(const std::wstring& path) {
    std::string content;
    platform::ReadWholeFile(path, content);
    return content;
}

// Install.log as wide text (it is UTF-8).
inline std::wstring ReadLog(const std::wstring& path) {
    return text::Utf8ToWide(ReadBytes(path));
}

// On Linux the desktop, the applications menu and the uninstall entries follow HOME and
// the XDG variables: point them into a test directory while the object lives. Windows
// uses the prefix's own folders and registry.
class IsolatedUserFolders {
  public:
    explicit IsolatedUserFolders(const std::wstring& root) {
#ifndef _WIN32
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old != nullptr, old != nullptr ? old : ""});
        }
        const std::string base = text::WideToSystem(root);
        setenv("HOME", (base + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (base + "/home/.config").c_str(), 1);
        setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
#else
        (void)root;
#endif
    }
    ~IsolatedUserFolders() {
#ifndef _WIN32
        for (const auto& variable : saved_) {
            if (variable.wasSet)
                setenv(variable.name, variable.value.c_str(), 1);
            else
                unsetenv(variable.name);
        }
#endif
    }
    IsolatedUserFolders(const IsolatedUserFolders&) = delete;
    IsolatedUserFolders& operator=(const IsolatedUserFolders&) = delete;

  private:
    struct Saved {
        const char* name;
        bool wasSet;
        std::string value;
    };
    std::vector<Saved> saved_;
};
