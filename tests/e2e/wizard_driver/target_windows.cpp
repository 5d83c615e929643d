#include "wizard_driver/target_windows.h"

namespace wizard_driver {

namespace {

struct TopLevelSearch {
    DWORD processId;
    const std::wstring* className;
    const std::wstring* captionPattern;
    HWND found;
};

BOOL CALLBACK CheckTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TopLevelSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    const bool ours =
        search->processId != 0 ? owner == search->processId : owner != GetCurrentProcessId();
    if (!ours || !IsWindowVisible(window)) {
        return TRUE;
    }
    if (*search->className != L"*" && WindowClass(window) != *search->className) {
        return TRUE;
    }
    if (!CaptionMatches(WindowCaption(window), *search->captionPattern)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

struct ControlSearch {
    int controlId;
    HWND found;
};

BOOL CALLBACK CheckDescendant(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ControlSearch*>(context);
    if (GetDlgCtrlID(window) != search->controlId) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

bool CaptionMatches(const std::wstring& caption, const std::wstring& pattern) {
    if (pattern == L"*") {
        return true;
    }
    if (!pattern.empty() && pattern.back() == L'*') {
        return caption.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    }
    return caption == pattern;
}

HWND FindTopLevelWindow(DWORD processId, const std::wstring& className,
                        const std::wstring& captionPattern) {
    TopLevelSearch search{processId, &className, &captionPattern, nullptr};
    EnumWindows(&CheckTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindControl(HWND window, int controlId) {
    if (controlId == 0) {
        return window;
    }
    // A direct child wins over a deeper one with the same id (a sheet's own buttons over
    // its pages' controls).
    if (HWND child = GetDlgItem(window, controlId)) {
        return child;
    }
    ControlSearch search{controlId, nullptr};
    EnumChildWindows(window, &CheckDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowCaption(HWND window) {
    wchar_t caption[512] = {};
    // The text Windows keeps for the window: no message to a busy thread.
    InternalGetWindowText(window, caption, 512);
    return caption;
}

std::wstring WindowClass(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

}  // namespace wizard_driver
