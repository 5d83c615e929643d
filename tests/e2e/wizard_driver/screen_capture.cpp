#include "wizard_driver/screen_capture.h"

#include "support/win32/window_capture.h"
#include "wizard_driver/control_access.h"

namespace wizard_driver {

bool CaptureSettledWindow(HWND window, const std::wstring& pngPath, std::wstring& error) {
    if (!WaitUntilIdle(window)) {
        error = L"the window does not answer";
        return false;
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!SaveWindowAsPng(window, pngPath)) {
        error = L"the screen cannot be read or the PNG cannot be written";
        return false;
    }
    return true;
}

}  // namespace wizard_driver
