#include "wizard_driver/driver_commands.h"

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdint>
#include <functional>
#include <map>

#include "wizard_driver/control_access.h"
#include "wizard_driver/screen_capture.h"
#include "wizard_driver/target_windows.h"

namespace wizard_driver {

namespace {

using Args = std::vector<std::wstring>;

// Waits for a condition by polling; the test gives generous bounds, which only end a run
// that would hang and never judge whether something was fast enough.
bool PollUntil(const std::wstring& seconds, const std::function<bool()>& condition) {
    const ULONGLONG deadline = GetTickCount64() + _wtoi(seconds.c_str()) * 1000ull;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(25);
    }
}

HWND ParseWindow(const std::wstring& text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(_wcstoui64(text.c_str(), nullptr, 10)));
}

std::wstring FormatWindow(HWND window) {
    return std::to_wstring(reinterpret_cast<uintptr_t>(window));
}

// The control named by the first two arguments (a window and a control id), or null with
// the error answer.
HWND ResolveControl(const Args& a, Answer& error) {
    const HWND window = ParseWindow(a[0]);
    if (!IsWindow(window)) {
        error = Answer::Error(L"no window " + a[0]);
        return nullptr;
    }
    const HWND control = FindControl(window, _wtoi(a[1].c_str()));
    if (!control) {
        error = Answer::Error(L"no control " + a[1] + L" in window " + a[0]);
    }
    return control;
}

// start <program> <command-line tail> -> process id
Answer Start(TargetProcess& target, const Args& a) {
    std::wstring error;
    if (!target.Start(a[0], a[1], error)) {
        return Answer::Error(error);
    }
    return Answer::Ok({std::to_wstring(target.id())});
}

// wait-exit <seconds> -> exit code
Answer WaitExit(TargetProcess& target, const Args& a) {
    DWORD code = 0;
    if (!target.WaitForExit(_wtoi(a[0].c_str()) * 1000u, code)) {
        return Answer::Error(L"the process is still running");
    }
    return Answer::Ok({std::to_wstring(code)});
}

// window <class or *> <caption pattern> <seconds> -> window, caption
Answer Window(TargetProcess& target, const Args& a) {
    HWND found = nullptr;
    const bool shown = PollUntil(a[2], [&] {
        found = FindTopLevelWindow(target.id(), a[0], a[1]);
        return found != nullptr;
    });
    if (!shown) {
        return Answer::Error(L"no window " + a[0] + L" \"" + a[1] + L"\"");
    }
    return Answer::Ok({FormatWindow(found), WindowCaption(found)});
}

// closed <window> <seconds>: once the window is gone or hidden
Answer Closed(TargetProcess&, const Args& a) {
    const HWND window = ParseWindow(a[0]);
    if (!PollUntil(a[1], [&] { return !IsWindow(window) || !IsWindowVisible(window); })) {
        return Answer::Error(L"the window is still shown");
    }
    return Answer::Ok();
}

// wait-page <sheet> <caption pattern> <seconds> -> the active page, its caption
Answer WaitPage(TargetProcess&, const Args& a) {
    const HWND sheet = ParseWindow(a[0]);
    HWND page = nullptr;
    const bool active = PollUntil(a[2], [&] {
        page = IsWindow(sheet) ? CurrentPage(sheet) : nullptr;
        return page && IsWindowVisible(page) && CaptionMatches(WindowCaption(page), a[1]);
    });
    if (!active) {
        return Answer::Error(L"the active page is \"" + (page ? WindowCaption(page) : L"") + L"\"");
    }
    return Answer::Ok({FormatWindow(page), WindowCaption(page)});
}

// text <window> <control id> -> its text
Answer Text(HWND control, const Args&) {
    std::wstring text;
    if (!ReadWindowText(control, text)) {
        return Answer::Error(L"the window does not answer");
    }
    return Answer::Ok({text});
}

// wait-text <window> <control id> <part> <seconds> -> the text once it holds the part
Answer WaitText(HWND control, const Args& a) {
    std::wstring text;
    const bool found = PollUntil(a[3], [&] {
        return ReadWindowText(control, text) && text.find(a[2]) != std::wstring::npos;
    });
    if (!found) {
        return Answer::Error(L"the text stayed \"" + text + L"\"");
    }
    return Answer::Ok({text});
}

// set-text <window> <control id> <text>: as if typed
Answer SetText(HWND control, const Args& a) {
    return SetWindowTextRemote(control, a[2]) ? Answer::Ok() : Answer::Error(L"WM_SETTEXT failed");
}

// state <window> <control id> -> enabled, visible (0 or 1), check state (0, 1 or 2)
Answer State(HWND control, const Args&) {
    const ControlState state = ReadControlState(control);
    return Answer::Ok(
        {state.enabled ? L"1" : L"0", state.visible ? L"1" : L"0", std::to_wstring(state.check)});
}

// click <window> <control id>: only a button a person could click, shown and enabled
Answer Click(HWND control, const Args& a) {
    if (!IsWindowEnabled(control) || !IsWindowVisible(control)) {
        return Answer::Error(L"control " + a[1] + L" is disabled or hidden");
    }
    PostClick(control);
    return Answer::Ok();
}

// press <sheet> back|next|finish|cancel: only a wizard button that is shown and enabled
Answer Press(TargetProcess&, const Args& a) {
    struct SheetButton {
        WPARAM press;  // PSM_PRESSBUTTON's name of the button
        int controlId;
    };
    static const std::map<std::wstring, SheetButton> kButtons = {
        {L"back", {PSBTN_BACK, 0x3023}},
        {L"next", {PSBTN_NEXT, 0x3024}},
        {L"finish", {PSBTN_FINISH, 0x3025}},
        {L"cancel", {PSBTN_CANCEL, IDCANCEL}},
    };
    const HWND sheet = ParseWindow(a[0]);
    const auto button = kButtons.find(a[1]);
    if (button == kButtons.end()) {
        return Answer::Error(L"no wizard button " + a[1]);
    }
    const HWND control = GetDlgItem(sheet, button->second.controlId);
    if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control)) {
        return Answer::Error(L"the " + a[1] + L" button is disabled or hidden");
    }
    PostMessageW(sheet, PSM_PRESSBUTTON, button->second.press, 0);
    return Answer::Ok();
}

// key <window> escape|enter
Answer Key(TargetProcess&, const Args& a) {
    static const std::map<std::wstring, UINT> kKeys = {{L"escape", VK_ESCAPE},
                                                       {L"enter", VK_RETURN}};
    const auto key = kKeys.find(a[1]);
    if (key == kKeys.end()) {
        return Answer::Error(L"no key " + a[1]);
    }
    PostKeyPress(ParseWindow(a[0]), key->second);
    return Answer::Ok();
}

// list-box <window> <control id> -> its lines
Answer ListBox(HWND control, const Args&) {
    std::vector<std::wstring> items;
    return ReadListBoxItems(control, items) ? Answer::Ok(items)
                                            : Answer::Error(L"list box unreadable");
}

// list-columns <window> <control id> -> the list view's column captions
Answer ListColumns(HWND control, const Args&) {
    std::vector<std::wstring> captions;
    return ReadListViewColumns(control, captions) ? Answer::Ok(captions)
                                                  : Answer::Error(L"list view unreadable");
}

// list-rows <window> <control id> -> one field per row, its cells separated by TAB
Answer ListRows(HWND control, const Args&) {
    std::vector<std::vector<std::wstring>> rows;
    if (!ReadListViewRows(control, rows)) {
        return Answer::Error(L"list view unreadable");
    }
    std::vector<std::wstring> fields;
    for (const auto& cells : rows) {
        std::wstring joined;
        for (size_t i = 0; i < cells.size(); ++i) {
            joined += (i ? L"\t" : L"") + cells[i];
        }
        fields.push_back(joined);
    }
    return Answer::Ok(fields);
}

// rect <window> -> the screen rectangles of the window and of its client area
Answer Rect(TargetProcess&, const Args& a) {
    const HWND window = ParseWindow(a[0]);
    RECT frame = {};
    RECT client = {};
    if (!GetWindowRect(window, &frame) || !GetClientRect(window, &client)) {
        return Answer::Error(L"no window " + a[0]);
    }
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<std::wstring> fields;
    for (const RECT& r : {frame, client}) {
        for (const LONG v : {r.left, r.top, r.right, r.bottom}) {
            fields.push_back(std::to_wstring(v));
        }
    }
    return Answer::Ok(fields);
}

// move <window> <x> <y>: as a person drags the frame
Answer Move(TargetProcess&, const Args& a) {
    if (!SetWindowPos(ParseWindow(a[0]), nullptr, _wtoi(a[1].c_str()), _wtoi(a[2].c_str()), 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)) {
        return Answer::Error(L"SetWindowPos failed");
    }
    return Answer::Ok();
}

// capture <window> <PNG path>: what the screen shows of it, once that has settled
Answer Capture(TargetProcess&, const Args& a) {
    std::wstring error;
    if (!CaptureSettledWindow(ParseWindow(a[0]), a[1], error)) {
        return Answer::Error(error);
    }
    return Answer::Ok();
}

// A command whose first two arguments name a control: the control, or the error.
template <Answer (*handler)(HWND control, const Args& a)>
Answer OnControl(TargetProcess&, const Args& a) {
    Answer error;
    const HWND control = ResolveControl(a, error);
    return control ? handler(control, a) : error;
}

struct Command {
    size_t arguments;
    Answer (*run)(TargetProcess&, const Args&);
};

// The commands with the number of arguments each takes.
// clang-format off
const std::map<std::wstring, Command> kCommands = {
    {L"start",        {2, &Start}},
    {L"wait-exit",    {1, &WaitExit}},
    {L"window",       {3, &Window}},
    {L"closed",       {2, &Closed}},
    {L"wait-page",    {3, &WaitPage}},
    {L"text",         {2, &OnControl<&Text>}},
    {L"wait-text",    {4, &OnControl<&WaitText>}},
    {L"set-text",     {3, &OnControl<&SetText>}},
    {L"state",        {2, &OnControl<&State>}},
    {L"click",        {2, &OnControl<&Click>}},
    {L"press",        {2, &Press}},
    {L"key",          {2, &Key}},
    {L"list-box",     {2, &OnControl<&ListBox>}},
    {L"list-columns", {2, &OnControl<&ListColumns>}},
    {L"list-rows",    {2, &OnControl<&ListRows>}},
    {L"rect",         {1, &Rect}},
    {L"move",         {3, &Move}},
    {L"capture",      {2, &Capture}},
};
// clang-format on

}  // namespace

Answer DriverCommands::Run(const Args& request) {
    if (request.empty()) {
        return Answer::Error(L"empty request");
    }
    const auto command = kCommands.find(request[0]);
    if (command == kCommands.end()) {
        return Answer::Error(L"unknown command " + request[0]);
    }
    const Args args(request.begin() + 1, request.end());
    if (args.size() != command->second.arguments) {
        return Answer::Error(request[0] + L" takes " + std::to_wstring(command->second.arguments) +
                             L" arguments");
    }
    return command->second.run(target_, args);
}

}  // namespace wizard_driver
