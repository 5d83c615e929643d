#pragma once
// Reading and working the controls of another process with the messages the controls
// answer. Every send has a time-out, so a busy installer yields a failure, never a hang.
#include <windows.h>

#include <string>
#include <vector>

namespace wizard_driver {

// How long one message to the installer may take before the driver calls it busy.
constexpr UINT kSendTimeoutMs = 20000;

bool ReadWindowText(HWND control, std::wstring& text);
bool SetWindowTextRemote(HWND control, const std::wstring& text);

struct ControlState {
    bool enabled;
    bool visible;
    LRESULT check;  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
};
ControlState ReadControlState(HWND control);

bool ReadListBoxItems(HWND listBox, std::vector<std::wstring>& items);

// List-view texts live in the installer's address space: the driver lends it a buffer there.
bool ReadListViewColumns(HWND listView, std::vector<std::wstring>& captions);
// Every row's cells, one per column.
bool ReadListViewRows(HWND listView, std::vector<std::vector<std::wstring>>& rows);

// The property sheet's active page.
HWND CurrentPage(HWND sheet);

// Posted, because the answer may be a modal message box that waits for the driver.
void PostClick(HWND button);
// The key goes to the window that has the keyboard focus in the window's thread (the
// window itself when none has it), as a key press would.
void PostKeyPress(HWND window, UINT virtualKey);

// Makes sure the window's thread has handled everything sent before; false when it is busy.
bool WaitUntilIdle(HWND window);

}  // namespace wizard_driver
