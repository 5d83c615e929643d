#pragma once
// A multi-line box that leaves Enter and Esc to the dialog: Enter presses the default
// button and Esc cancels, as in every other control of the page. Multi-line edit
// controls otherwise keep both keys for themselves.
#include "platform/win32/subclassed_window.h"

namespace win32 {

class DialogKeysBox : public SubclassedWindow {
  protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace win32
