#pragma once
// Connections and name lookups shared by the easy handles of one download run: a block
// fetch over HTTP takes an idle connection to its mirror from the shared cache instead of
// paying a new connect, while each fetch still makes and cleans up its own easy handle.
// (libcurl closes an FTP control connection after a transfer that stops before the end of
// the file, as every block but the last does, so FTP blocks still connect and log in.)
#include <curl/curl.h>

#include <mutex>

class CurlShare {
  public:
    CurlShare() : handle_(curl_share_init()) {
        if (handle_ == nullptr)
            return;
        curl_share_setopt(handle_, CURLSHOPT_LOCKFUNC, &Lock);
        curl_share_setopt(handle_, CURLSHOPT_UNLOCKFUNC, &Unlock);
        curl_share_setopt(handle_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(handle_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(handle_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    // Only once every easy handle that used it is cleaned up; closes the cached connections.
    ~CurlShare() {
        if (handle_ != nullptr)
            curl_share_cleanup(handle_);
    }
    CurlShare(const CurlShare&) = delete;
    CurlShare& operator=(const CurlShare&) = delete;

    // Null when it could not be made: the fetches then connect on their own, as before.
    CURLSH* get() const { return handle_; }

  private:
    static void Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CurlShare*>(self)->locks_[data].lock();
    }
    static void Unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CurlShare*>(self)->locks_[data].unlock();
    }

    CURLSH* handle_;
    std::mutex locks_[CURL_LOCK_DATA_LAST];
};
