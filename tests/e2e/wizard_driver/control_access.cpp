#include "wizard_driver/control_access.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

namespace wizard_driver {

namespace {

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                             &answer)) {
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

// A block of memory in the process that owns a window, freed with the object.
class RemoteBuffer {
  public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               processId);
        if (process_) {
            address_ =
                VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (address_) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        if (process_) {
            CloseHandle(process_);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool valid() const { return address_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t length) const {
        SIZE_T done = 0;
        return offset + length <= size_ &&
               WriteProcessMemory(process_, at(offset), data, length, &done) && done == length;
    }
    bool Read(size_t offset, void* data, size_t length) const {
        SIZE_T done = 0;
        return offset + length <= size_ &&
               ReadProcessMemory(process_, at(offset), data, length, &done) && done == length;
    }

  private:
    size_t size_;
    HANDLE process_ = nullptr;
    void* address_ = nullptr;
};

constexpr int kCellChars = 1024;
// The borrowed block: the request's structure first, the text after it.
constexpr size_t kTextOffset = 256;
constexpr size_t kQueryBlockSize = kTextOffset + kCellChars * sizeof(wchar_t);

// Sends a list-view request whose structure points at the text part of the block, and reads
// that text back. One block serves every cell of a read.
template <typename Item>
bool RemoteTextQuery(const RemoteBuffer& block, HWND listView, UINT message, WPARAM wParam,
                     Item item, std::wstring& text) {
    static_assert(sizeof(Item) <= kTextOffset);
    item.pszText = reinterpret_cast<wchar_t*>(block.at(kTextOffset));
    item.cchTextMax = kCellChars;
    const wchar_t empty = 0;
    LRESULT ignored = 0;
    if (!block.Write(0, &item, sizeof(item)) || !block.Write(kTextOffset, &empty, sizeof(empty)) ||
        !Send(listView, message, wParam, reinterpret_cast<LPARAM>(block.at(0)), ignored)) {
        return false;
    }
    wchar_t local[kCellChars] = {};
    if (!block.Read(kTextOffset, local, sizeof(local))) {
        return false;
    }
    local[kCellChars - 1] = 0;
    text = local;
    return true;
}

bool ReadColumnCount(HWND listView, LRESULT& columns) {
    LRESULT header = 0;
    return Send(listView, LVM_GETHEADER, 0, 0, header) && header != 0 &&
           Send(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, columns);
}

}  // namespace

bool ReadWindowText(HWND control, std::wstring& text) {
    LRESULT length = 0;
    if (!Send(control, WM_GETTEXTLENGTH, 0, 0, length)) {
        return false;
    }
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!Send(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
              copied)) {
        return false;
    }
    buffer.resize(static_cast<size_t>(copied));
    text = buffer;
    return true;
}

bool SetWindowTextRemote(HWND control, const std::wstring& text) {
    LRESULT result = 0;
    return Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) &&
           result != 0;
}

ControlState ReadControlState(HWND control) {
    LRESULT check = 0;
    if (!Send(control, BM_GETCHECK, 0, 0, check)) {
        check = BST_UNCHECKED;
    }
    return {IsWindowEnabled(control) != FALSE, IsWindowVisible(control) != FALSE, check};
}

bool ReadListBoxItems(HWND listBox, std::vector<std::wstring>& items) {
    LRESULT count = 0;
    if (!Send(listBox, LB_GETCOUNT, 0, 0, count) || count < 0) {
        return false;
    }
    items.clear();
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        if (!Send(listBox, LB_GETTEXTLEN, i, 0, length) || length < 0) {
            return false;
        }
        std::wstring item(static_cast<size_t>(length) + 1, L'\0');
        LRESULT copied = 0;
        if (!Send(listBox, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()), copied) ||
            copied < 0) {
            return false;
        }
        item.resize(static_cast<size_t>(copied));
        items.push_back(item);
    }
    return true;
}

bool ReadListViewColumns(HWND listView, std::vector<std::wstring>& captions) {
    LRESULT count = 0;
    if (!ReadColumnCount(listView, count)) {
        return false;
    }
    const RemoteBuffer block(listView, kQueryBlockSize);
    if (!block.valid()) {
        return false;
    }
    captions.clear();
    for (int column = 0; column < count; ++column) {
        LVCOLUMNW item = {};
        item.mask = LVCF_TEXT;
        std::wstring caption;
        if (!RemoteTextQuery(block, listView, LVM_GETCOLUMNW, column, item, caption)) {
            return false;
        }
        captions.push_back(caption);
    }
    return true;
}

bool ReadListViewRows(HWND listView, std::vector<std::vector<std::wstring>>& rows) {
    LRESULT columns = 0;
    LRESULT count = 0;
    if (!ReadColumnCount(listView, columns) || !Send(listView, LVM_GETITEMCOUNT, 0, 0, count)) {
        return false;
    }
    const RemoteBuffer block(listView, kQueryBlockSize);
    if (!block.valid()) {
        return false;
    }
    rows.assign(static_cast<size_t>(count), {});
    for (LRESULT row = 0; row < count; ++row) {
        for (int column = 0; column < columns; ++column) {
            LVITEMW item = {};
            item.iSubItem = column;
            std::wstring cell;
            if (!RemoteTextQuery(block, listView, LVM_GETITEMTEXTW, row, item, cell)) {
                return false;
            }
            rows[row].push_back(cell);
        }
    }
    return true;
}

HWND CurrentPage(HWND sheet) {
    LRESULT page = 0;
    if (!Send(sheet, PSM_GETCURRENTPAGEHWND, 0, 0, page)) {
        return nullptr;
    }
    return reinterpret_cast<HWND>(page);
}

void PostClick(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

void PostKeyPress(HWND window, UINT virtualKey) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    HWND target = window;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus) {
        target = info.hwndFocus;
    }
    const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scanCode << 16));
    PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scanCode << 16) | (3u << 30));
}

bool WaitUntilIdle(HWND window) {
    LRESULT ignored = 0;
    return Send(window, WM_NULL, 0, 0, ignored);
}

}  // namespace wizard_driver
