#pragma once
// An easy handle that is cleaned up by its owner, whatever path the transfer takes.
#include <curl/curl.h>

class CurlEasy {
  public:
    CurlEasy() : handle_(curl_easy_init()) {}
    ~CurlEasy() {
        if (handle_ != nullptr)
            curl_easy_cleanup(handle_);
    }
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    CURL* get() const { return handle_; }

  private:
    CURL* handle_;
};
