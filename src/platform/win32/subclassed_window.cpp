#include "platform/win32/subclassed_window.h"

#include <commctrl.h>

namespace win32 {

namespace {
// One subclass id for every object: a window carries at most one SubclassedWindow.
constexpr UINT_PTR kSubclassId = 0x5A56;
}  // namespace

SubclassedWindow::~SubclassedWindow() {
    Detach();
}

bool SubclassedWindow::Attach(HWND window) {
    Detach();
    if (window == nullptr || !SetWindowSubclass(window, &SubclassedWindow::Route, kSubclassId,
                                                reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    window_ = window;
    return true;
}

bool SubclassedWindow::AttachDlgItem(HWND dialog, int controlId) {
    return Attach(GetDlgItem(dialog, controlId));
}

void SubclassedWindow::Detach() {
    if (window_ != nullptr) {
        RemoveWindowSubclass(window_, &SubclassedWindow::Route, kSubclassId);
        window_ = nullptr;
    }
}

LRESULT SubclassedWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT SubclassedWindow::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR self) {
    auto* object = reinterpret_cast<SubclassedWindow*>(self);
    if (message == WM_NCDESTROY) {
        const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
        object->Detach();
        object->OnDetached();
        return result;
    }
    return object->OnMessage(message, wParam, lParam);
}

}  // namespace win32
