#pragma once
// The process-wide install context: start-up parameters and the values the steps hand
// to each other, the service's configuration, the service servers and the log path.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "app/text_format.h"
#include "service/answer_signature.h"
#include "service/service_record.h"

struct HttpHeaderExchange;

class CInstallContext {
  public:
    // The one context of the process, created with the defaults on first use.
    static CInstallContext& Instance();

    // A context with the built-in defaults; tests make their own.
    CInstallContext();
    CInstallContext(std::vector<std::wstring> servers, std::wstring logFile);

    ServiceRecord config;
    std::wstring logPath;
    int32_t lastTransferResult = 0;
    std::vector<std::wstring> serverList;
    // When set, a service answer counts only with a valid signature by one of answerKeys
    // (which may be empty when the built-in keys could not be read: then none counts).
    bool signedAnswers = false;
    std::vector<AnswerKey> answerKeys;

    // params is read by the worker while the front-end may write it, so it is guarded.
    void SetParam(const std::wstring& key, const std::wstring& value);
    std::wstring GetParam(const std::wstring& key);
    ServiceRecord Params() const;

    template <class... Args>
    void Log(std::wstring_view format, const Args&... args) {
        LogText(text::Format(format, args...));
    }
    // Logs text verbatim (never interpreted as a format).
    void LogText(std::wstring_view message) const;

    static std::vector<std::wstring> DefaultServers();
    static std::wstring DefaultLogPath();

    // Service transport: tries the servers in order (see service/).
    bool QueryService(const std::wstring& query, ServiceRecordList& records,
                      std::wstring& resultText);
    bool QueryServiceRecord(const std::wstring& query, ServiceRecord& record,
                            std::wstring& resultText);

    // Service actions, one per action word.
    bool DownServerList(ServiceRecordList& records, std::wstring& resultText);
    bool FirstPage(ServiceRecord& record, std::wstring& resultText);
    bool GetVer(ServiceRecordList& records, std::wstring& resultText);
    bool CreateIcon(ServiceRecordList& records, std::wstring& resultText);
    bool NeedDown(ServiceRecordList& records, std::wstring& resultText);
    bool GetFtp(const std::wstring& serverNo, const std::wstring& fileName, ServiceRecord& record,
                std::wstring& resultText);
    bool FtpOk(const std::wstring& fileName, ServiceRecord& record, std::wstring& resultText);
    bool SetupOk(ServiceRecord& record, std::wstring& resultText);
    bool CompanyName(ServiceRecord& record, std::wstring& resultText);
    bool AppExe(ServiceRecordList& records, std::wstring& resultText);
    bool AppFilesNot(ServiceRecordList& records, std::wstring& resultText);

  private:
    bool AnswerIsAuthentic(const std::wstring& entry, const HttpHeaderExchange& headers,
                           const std::string& body);

    mutable std::mutex paramsLock_;
    ServiceRecord params_;
};
