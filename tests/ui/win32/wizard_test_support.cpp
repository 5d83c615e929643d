#include "wizard_test_support.h"

#include <ole2.h>

#include "app/path_ops.h"
#include "platform/text_codec.h"

namespace wizard_test {

namespace {

MessageBoxAnswerer* activeAnswerer = nullptr;

constexpr int kMessageBoxTextId = 0xFFFF;
constexpr UINT kRunAction = WM_APP + 40;

LRESULT CALLBACK ActionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunAction) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateActionWindow() {
    static const wchar_t* const kClass = L"WizardTestActions";
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &ActionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClass;
    RegisterClassW(&windowClass);
    return CreateWindowW(kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

std::atomic<HWND> wizardActionWindow{nullptr};

}  // namespace

bool WaitFor(const std::function<bool()>& condition, unsigned limitMilliseconds) {
    const ULONGLONG end = GetTickCount64() + limitMilliseconds;
    while (!condition()) {
        if (GetTickCount64() > end)
            return false;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
    return true;
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (hook_ != nullptr)
        UnhookWindowsHookEx(hook_);
    if (activeAnswerer == this)
        activeAnswerer = nullptr;
}

void MessageBoxAnswerer::Install(DWORD threadId, int answer) {
    answer_.store(answer);
    activeAnswerer = this;
    hook_ = SetWindowsHookExW(WH_CBT, &MessageBoxAnswerer::Hook, nullptr, threadId);
}

LRESULT CALLBACK MessageBoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    MessageBoxAnswerer* self = activeAnswerer;
    if (code == HCBT_ACTIVATE && self != nullptr) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[32] = {};
        GetClassNameW(box, className, 32);
        const HWND textItem = GetDlgItem(box, kMessageBoxTextId);
        if (std::wstring(className) == L"#32770" && textItem != nullptr) {
            {
                std::lock_guard<std::mutex> guard(self->lock_);
                self->texts_.push_back(WindowText(textItem));
                self->captions_.push_back(WindowText(box));
            }
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(self->answer_.load(), BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::vector<std::wstring> MessageBoxAnswerer::Texts() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_;
}

std::vector<std::wstring> MessageBoxAnswerer::Captions() const {
    std::lock_guard<std::mutex> guard(lock_);
    return captions_;
}

size_t MessageBoxAnswerer::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return texts_.size();
}

FakeService::FakeService() {
    service.Handle("/inst/", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string action = request.get_param_value("action");
        std::string body = "ER unknown action";
        if (action == "downserverlist")
            body = "OK[{'ip':'" + mirror.HostPort() + "','http':'Y','ftp':'N'}]";
        else if (action == "firstpage")
            body =
                "OK[{'title':'演示程序','titlecolor':'#003366','titlesize':'5',"
                "'bodytext':'欢迎使用','ver':'1.0','copyright':'/doc/agree.txt',"
                "'leftjpg':'/doc/left.bmp','needsize':'1'}]";
        else if (action == "getftp")
            body = "OK[{'username':'user','Password':''}]";
        else if (action == "getver")
            body = "OK[{'ver':'1.0'}]";
        else if (action == "needdown")
            body = "OK" + PlanJson();
        else if (action == "createicon" || action == "setupok" || action == "ftpok" ||
                 action == "appfilesnot" || action == "appexe")
            body = "OK[]";
        response.set_content(body, "text/plain");
    });
    mirror.Handle("//doc/agree.txt", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("第一条\n第二条\n", "application/octet-stream");
    });
}

void FakeService::AddPackage(const std::string& name, const std::string& content) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        packages_.emplace_back(name, content);
    }
    mirror.Handle("/" + name, [content](const httplib::Request&, httplib::Response& response) {
        response.set_content(content, "application/octet-stream");
    });
}

std::string FakeService::PlanJson() const {
    std::lock_guard<std::mutex> guard(lock_);
    std::string json = "[";
    for (const auto& [name, content] : packages_) {
        if (json.size() > 1)
            json += ",";
        json += "{'filename':'" + name + "','downfilename':'/" + name + "','filesize':'" +
                std::to_string((content.size() + 1023) / 1024) +
                "','ver':'2.5','rarpath':'','haveexistsdown':'Y'}";
    }
    return json + "]";
}

std::vector<std::string> FakeService::Actions() const {
    std::vector<std::string> actions;
    for (const auto& target : service.Targets()) {
        const size_t at = target.find("action=");
        if (at != std::string::npos)
            actions.push_back(target.substr(at + 7, target.find('&', at) - at - 7));
    }
    return actions;
}

WizardEnvironment::WizardEnvironment() : context({}, temp / L"Install.log") {
    context.serverList = {fake.service.WideHostPort()};
    downloads.serverHosts = {fake.mirror.WideHostPort()};
    downloads.serverHttp = {L"Y"};
    downloads.serverFtp = {L"N"};
    context.config[L"title"] = L"演示程序";
    context.config[L"titlefont"] = L"华文中宋";
    context.config[L"needsize"] = L"1";
    context.config[L"setuppath"] = temp / L"app";
    context.SetParam(L"DownloadPath", temp / L"downloads");
}

WizardRun::WizardRun(WizardEnvironment& environment, int messageBoxAnswer)
    : sheet_(std::make_unique<CMainSheet>(environment.context, environment.downloads)),
      answer_(messageBoxAnswer) {
    sheet_->Page3().settleMilliseconds = 0;
    thread_ = std::thread([this] { ThreadMain(); });
    // The frame exists once the first page is on screen.
    WaitFor([this] { return sheet_->Handle() != nullptr || closed_.load(); });
    frame_.store(sheet_->Handle());
}

WizardRun::~WizardRun() {
    if (!closed_.load()) {
        boxes_.SetAnswer(IDYES);
        Press(PSBTN_CANCEL);
        WaitForClosed();
    }
    if (thread_.joinable())
        thread_.join();
}

void WizardRun::ThreadMain() {
    // The wizard's thread has OLE, as the installer's user-interface thread has: the
    // picture controls decode through COM.
    const bool oleStarted = SUCCEEDED(OleInitialize(nullptr));
    threadId_.store(GetCurrentThreadId());
    boxes_.Install(GetCurrentThreadId(), answer_);
    const HWND actionWindow = CreateActionWindow();
    wizardActionWindow.store(actionWindow);
    sheet_->DoModal();
    closed_.store(true);
    frame_.store(nullptr);
    wizardActionWindow.store(nullptr);
    DestroyWindow(actionWindow);
    if (oleStarted)
        OleUninitialize();
}

int WizardRun::CurrentPage() const {
    const HWND frame = frame_.load();
    if (frame == nullptr || closed_.load())
        return -1;
    const HWND page = reinterpret_cast<HWND>(SendMessageW(frame, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (int index = 0; index < 4; ++index)
        if (page != nullptr && page == PageWindow(index))
            return index;
    return -1;
}

HWND WizardRun::PageWindow(int index) const {
    const HWND frame = frame_.load();
    return frame == nullptr
               ? nullptr
               : reinterpret_cast<HWND>(SendMessageW(frame, PSM_INDEXTOHWND, index, 0));
}

bool WizardRun::WaitForPage(int index) {
    return WaitFor([&] { return CurrentPage() == index; });
}

bool WizardRun::AdvanceTo(int index) {
    if (!WaitForPage(0))
        return false;
    for (int page = 1; page <= index; ++page) {
        Press(PSBTN_NEXT);
        if (!WaitForPage(page))
            return false;
    }
    return true;
}

bool WizardRun::WaitForClosed() {
    return WaitFor([&] { return closed_.load(); });
}

void WizardRun::Press(int button) {
    const HWND frame = frame_.load();
    if (frame != nullptr)
        PostMessageW(frame, PSM_PRESSBUTTON, button, 0);
}

HWND WizardRun::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId_.load(), &info) ? info.hwndFocus : nullptr;
}

void WizardRun::PressKey(WPARAM key) {
    const HWND focus = Focus();
    PostMessageW(focus, WM_KEYDOWN, key, 1);
    PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
}

bool WizardRun::ButtonEnabled(int id) const {
    return IsWindowEnabled(GetDlgItem(frame_.load(), id)) != FALSE;
}

bool WizardRun::ButtonVisible(int id) const {
    return IsWindowVisible(GetDlgItem(frame_.load(), id)) != FALSE;
}

void WizardRun::OnWizardThread(const std::function<void()>& action) {
    const HWND window = wizardActionWindow.load();
    if (window != nullptr)
        SendMessageW(window, kRunAction, 0, reinterpret_cast<LPARAM>(&action));
}

}  // namespace wizard_test
