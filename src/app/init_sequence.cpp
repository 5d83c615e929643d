#include "app/init_sequence.h"

#include "app/install_context.h"
#include "app/path_ops.h"
#include "app/text_format.h"
#include "download/download_manager.h"
#include "download/url_credentials.h"
#include "platform/shell_folders.h"

void CInitSequence::AppendText(const std::wstring& text) {
    display_.ShowText(text);
    context_.LogText(text);
}

std::wstring CInitSequence::TransferErrorText(int code) {
    switch (code) {
        case 0:
            return L"成功";
        case 5:
            return L"不能解析代理地址";
        case 6:
            return L"不能解析主机地址";
        case 7:
            return L"不能连接主机";
        case 9:
            return L"远程主机拒绝连接";
        case 28:
            return L"连接超时";
        default:
            return L"未知";
    }
}

std::wstring CInitSequence::DefaultDownloadDirectory() {
    std::wstring base;
    if (!platform::GetSpecialFolderPath(platform::SpecialFolder::Documents, base, true)) {
#ifdef _WIN32
        base = L"c:\\temp\\";
#else
        base = L"/tmp/";
#endif
    }
    return text::Format(L"%s%cVornel%csetup%c%s%c", base, kPathSeparator, kPathSeparator,
                        kPathSeparator, context_.GetParam(L"appid"), kPathSeparator);
}

void CInitSequence::ReadServerList() {
    AppendText(L"下载服务器列表...\r\n");
    ServiceRecordList servers;
    std::wstring resultText;
    if (context_.DownServerList(servers, resultText)) {
        for (const auto& server : servers) {
            downloads_.serverHosts.push_back(FieldOf(server, L"ip"));
            downloads_.serverHttp.push_back(FieldOf(server, L"http"));
            downloads_.serverFtp.push_back(FieldOf(server, L"ftp"));
        }
    } else {
        AppendText(text::Format(L"失败码(%d),%s\r\n", context_.lastTransferResult,
                                TransferErrorText(context_.lastTransferResult)));
    }
    // A single server is tried twice.
    if (downloads_.serverHosts.size() == 1) {
        downloads_.serverHosts.push_back(downloads_.serverHosts[0]);
        downloads_.serverHttp.push_back(downloads_.serverHttp[0]);
        downloads_.serverFtp.push_back(downloads_.serverFtp[0]);
    }
}

bool CInitSequence::FetchResource(const std::wstring& remotePath, std::wstring& localPath) {
    for (size_t i = 0; i < downloads_.serverHosts.size(); ++i) {
        const std::wstring host = downloads_.serverHosts[i];
        const std::wstring shortName = host.substr(0, 3);
        AppendText(text::Format(L"访问[%s]获取FTP服务器信息...\r\n", shortName));
        ServiceRecord account;
        std::wstring resultText;
        if (!context_.GetFtp(host, remotePath, account, resultText))
            continue;
        const std::wstring local = JoinPath(downloadDirectory_, GetFileNameOfPath(remotePath));
        const std::wstring user = EncodeUrlCredential(FieldOf(account, L"username"));
        const std::wstring password = EncodeUrlCredential(FieldOf(account, L"password"));
        bool arrived = false;
        if (downloads_.serverFtp[i] == L"Y") {
            AppendText(text::Format(L"通过[%s]获取FTP服务器资源...\r\n", shortName));
            arrived = DownloadFile(
                downloads_, text::Format(L"ftp://%s:%s@%s/%s", user, password, host, remotePath),
                local);
        }
        if (!arrived && downloads_.serverHttp[i] == L"Y") {
            AppendText(text::Format(L"通过[%s]获取HTTP服务器资源...\r\n", shortName));
            arrived = DownloadFile(
                downloads_, text::Format(L"http://%s:%s@%s/%s", user, password, host, remotePath),
                local);
        }
        if (arrived) {
            AppendText(L"文件下载成功\r\n");
            localPath = local;
            return true;
        }
    }
    return false;
}

int CInitSequence::RunInitSequence() {
    downloadDirectory_ = DefaultDownloadDirectory();
    EnsureDirectory(downloadDirectory_);
    context_.SetParam(L"DownloadPath", downloadDirectory_);
    context_.LogText(L"保存目录");
    context_.LogText(downloadDirectory_);

    ReadServerList();

    AppendText(L"下载配制信息...\r\n");
    ServiceRecord configuration;
    std::wstring resultText;
    if (!context_.FirstPage(configuration, resultText)) {
        AppendText(L"读取配制信息失败，按ESC键退出...\r\n");
        AppendText(context_.logPath);
        return -1;
    }
    context_.config = configuration;
    context_.config[L"titlefont"] = L"华文中宋";

    std::wstring local;
    const bool agreementArrived = FetchResource(context_.config[L"copyright"], local);
    if (agreementArrived)
        context_.SetParam(L"copyright_path", local);
    if (FetchResource(context_.config[L"leftjpg"], local)) {
        context_.SetParam(L"leftjpg_path", local);
        return 1;
    }
    return agreementArrived ? 1 : -1;
}
