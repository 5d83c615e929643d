#include "ui/win32/dialog_keys.h"

namespace win32 {

LRESULT DialogKeysBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = DefaultHandling(message, wParam, lParam);
    if (message == WM_GETDLGCODE && lParam != 0) {
        const auto* key = reinterpret_cast<const MSG*>(lParam);
        if ((key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
            (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
            result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
    return result;
}

}  // namespace win32
