#pragma once
// The initialization sequence that runs before the wizard: the default download
// directory, the download servers, the wizard's configuration, and the agreement text
// and side picture fetched from the download servers.
#include <string>

class CInstallContext;
class CDownloadManager;

// Where the sequence's messages are shown (the initialization dialog's progress box, the
// console). How much text it keeps is its own business.
class IInitDisplay {
  public:
    virtual ~IInitDisplay() = default;
    virtual void ShowText(const std::wstring& text) = 0;
};

class CInitSequence {
  public:
    CInitSequence(CInstallContext& context, CDownloadManager& downloads, IInitDisplay& display)
        : context_(context), downloads_(downloads), display_(display) {}

    // 1 when the configuration was read and at least one resource arrived, else -1.
    int RunInitSequence();
    // Shows a message and logs it verbatim.
    void AppendText(const std::wstring& text);

    // The libcurl result code explained for the user.
    static std::wstring TransferErrorText(int code);

  private:
    std::wstring DefaultDownloadDirectory();
    void ReadServerList();
    // Tries every server for one resource; true and the local path when it arrived.
    bool FetchResource(const std::wstring& remotePath, std::wstring& localPath);

    CInstallContext& context_;
    CDownloadManager& downloads_;
    IInitDisplay& display_;
    std::wstring downloadDirectory_;
};
