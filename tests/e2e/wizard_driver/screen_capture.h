#pragma once
// Screenshots of the installer's windows once the screen shows what they painted.
#include <windows.h>

#include <string>

namespace wizard_driver {

// Waits until the window's thread is idle and two reads of the screen agree (Wine copies
// a window's painting to the X server a little later; an animation gets a few seconds),
// then saves the window as a PNG.
bool CaptureSettledWindow(HWND window, const std::wstring& pngPath, std::wstring& error);

}  // namespace wizard_driver
