#include "controls/win32/gdiplus_session.h"

#include <windows.h>
// Lean windows.h leaves out the COM declarations GDI+ needs.
#include <objidl.h>

#include <gdiplus.h>

namespace controls {

namespace {

class GdiplusSession {
  public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;  // version 1
        started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~GdiplusSession() {
        if (started_) {
            Gdiplus::GdiplusShutdown(token_);
        }
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool started() const { return started_; }

  private:
    ULONG_PTR token_ = 0;
    bool started_ = false;
};

// Before main and after every window: the picture controls of every dialog rely on it.
GdiplusSession session;

}  // namespace

bool GdiplusRunning() {
    return session.started();
}

}  // namespace controls
