#pragma once
// Finding the installer's windows the way a person would: top-level windows by class and
// caption, controls by their dialog id.
#include <windows.h>

#include <string>

namespace wizard_driver {

// A caption pattern: "*" matches any caption, a trailing "*" matches by prefix, anything
// else matches exactly.
bool CaptionMatches(const std::wstring& caption, const std::wstring& pattern);

// The first visible top-level window of the process (any process but this one when
// processId is 0) whose class and caption match; null when there is none.
HWND FindTopLevelWindow(DWORD processId, const std::wstring& className,
                        const std::wstring& captionPattern);

// The control with this id below the window (children first, then deeper); the window
// itself for id 0.
HWND FindControl(HWND window, int controlId);

std::wstring WindowCaption(HWND window);
std::wstring WindowClass(HWND window);

}  // namespace wizard_driver
