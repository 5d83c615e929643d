#include "platform/shell_link.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace platform {

namespace {

// Releases a COM interface when it goes out of scope.
template <class T>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* operator->() const { return pointer_; }
    void** put() { return reinterpret_cast<void**>(&pointer_); }

  private:
    T* pointer_ = nullptr;
};

bool CreateLink(ComRef<IShellLinkW>& link, ComRef<IPersistFile>& file) {
    return SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, link.put())) &&
           SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.put()));
}

}  // namespace

ShellLinkScope::ShellLinkScope() {
    // S_FALSE (already initialised on this thread) must be balanced as well.
    initialised_ = SUCCEEDED(CoInitialize(nullptr));
}

ShellLinkScope::~ShellLinkScope() {
    if (initialised_)
        CoUninitialize();
}

bool SaveShellLink(const std::wstring& linkPath, const ShellLinkProperties& properties) {
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    if (!CreateLink(link, file))
        return false;
    link->SetPath(properties.target.c_str());
    link->SetWorkingDirectory(properties.workingDirectory.c_str());
    link->SetIconLocation(properties.iconPath.c_str(), properties.iconIndex);
    link->SetShowCmd(SW_SHOWNORMAL);
    return SUCCEEDED(file->Save(linkPath.c_str(), TRUE));
}

bool ReadShellLink(const std::wstring& linkPath, ShellLinkProperties& properties) {
    ComRef<IShellLinkW> link;
    ComRef<IPersistFile> file;
    if (!CreateLink(link, file) || FAILED(file->Load(linkPath.c_str(), STGM_READ)))
        return false;
    wchar_t buffer[MAX_PATH + 1] = {};
    ShellLinkProperties read;
    if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
        read.target = buffer;
    buffer[0] = L'\0';
    if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH)))
        read.workingDirectory = buffer;
    buffer[0] = L'\0';
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &index))) {
        read.iconPath = buffer;
        read.iconIndex = index;
    }
    properties = read;
    return true;
}

}  // namespace platform
