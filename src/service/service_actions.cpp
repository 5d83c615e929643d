// The eleven service actions: one query each, with the action's parameters in the order
// the service expects and the client-side processing of the answer.
#include <string>

#include "app/install_context.h"
#include "platform/text_codec.h"
#include "service/common.h"
#include "service/field_cipher.h"
#include "service/http_post.h"

namespace {

// A value as it goes into the query: as it is, but for the characters that would change
// the query's structure (a company name "a&action=x" must not add a parameter) or that
// a URL cannot carry, which become "%XX". Other characters, non-ASCII ones included, stay
// as the service has always received them.
std::wstring QueryValue(const std::wstring& value) {
    static constexpr wchar_t kHex[] = L"0123456789ABCDEF";
    std::wstring escaped;
    escaped.reserve(value.size());
    for (const wchar_t c : value) {
        if (c <= L' ' || c == L'%' || c == L'&' || c == L'#' || c == L'+' || c == 0x7F) {
            escaped += L'%';
            escaped += kHex[(c >> 4) & 0xF];
            escaped += kHex[c & 0xF];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::wstring Param(CInstallContext& context, const wchar_t* name) {
    return QueryValue(context.GetParam(name));
}

std::wstring BaseQuery(CInstallContext& context, const wchar_t* action) {
    return L"comname=" + Param(context, L"comname") + L"&appid=" + Param(context, L"appid") +
           L"&action=" + action;
}

// The plain text of an enciphered field, as wide text.
std::wstring DecipherField(const std::wstring& enciphered, const std::wstring& material) {
    const std::string seed = MakeFieldSeed(material);
    return text::SystemToWide(DecryptField(text::WideToSystem(enciphered), seed));
}

}  // namespace

bool CInstallContext::DownServerList(ServiceRecordList& records, std::wstring& resultText) {
    return QueryService(BaseQuery(*this, L"downserverlist"), records, resultText);
}

bool CInstallContext::FirstPage(ServiceRecord& record, std::wstring& resultText) {
    std::string cardNo;
    Ccommon::GetCardNo(cardNo);
    const std::wstring query =
        BaseQuery(*this, L"firstpage") + L"&cardno=" + QueryValue(text::SystemToWide(cardNo));
    return QueryServiceRecord(query, record, resultText);
}

bool CInstallContext::GetVer(ServiceRecordList& records, std::wstring& resultText) {
    return QueryService(BaseQuery(*this, L"getver"), records, resultText);
}

bool CInstallContext::CreateIcon(ServiceRecordList& records, std::wstring& resultText) {
    const std::wstring query =
        BaseQuery(*this, L"createicon") + L"&netver=" + Param(*this, L"netver");
    return QueryService(query, records, resultText);
}

bool CInstallContext::NeedDown(ServiceRecordList& records, std::wstring& resultText) {
    int32_t ieVersion = 0;
    if (!Ccommon::GetIeVersion(ieVersion))
        ieVersion = 8;
    std::wstring query = BaseQuery(*this, L"needdown");
    query += L"&netver=" + Param(*this, L"netver");
    query += L"&Net20=" + std::wstring(Ccommon::IsNet20Installed() ? L"Y" : L"N");
    query += L"&Net40=" + std::wstring(Ccommon::IsNet40Installed() ? L"Y" : L"N");
    query += L"&os=" + Ccommon::OsCodeName(Ccommon::GetOsCode());
    query += L"&Chrome=N";
    query += L"&ie=" + std::to_wstring(ieVersion);
    const std::wstring version = GetParam(L"--ver");
    if (!version.empty())
        query += L"&ver=" + QueryValue(version);
    query += L"&guid=" + QueryValue(config[L"guid"]);

    if (!QueryService(query, records, resultText))
        return false;
    for (ServiceRecord& record : records) {
        const std::wstring enciphered = FieldOf(record, L"rarpass");
        record[L"rarpassword"] =
            enciphered.empty()
                ? std::wstring()
                : DecipherField(enciphered, NeedDownSeedMaterial(FieldOf(record, L"comname"),
                                                                 FieldOf(record, L"id")));
    }
    return true;
}

bool CInstallContext::GetFtp(const std::wstring& serverNo, const std::wstring& fileName,
                             ServiceRecord& record, std::wstring& resultText) {
    const std::wstring query = BaseQuery(*this, L"getftp") + L"&serverno=" + QueryValue(serverNo) +
                               L"&filename=" + QueryValue(fileName);
    if (!QueryServiceRecord(query, record, resultText))
        return false;
    const std::wstring enciphered = FieldOf(record, L"Password");
    record[L"password"] =
        enciphered.empty()
            ? std::wstring()
            : DecipherField(enciphered,
                            GetFtpSeedMaterial(GetParam(L"comname"), GetParam(L"appid"), serverNo));
    return true;
}

bool CInstallContext::FtpOk(const std::wstring& fileName, ServiceRecord& record,
                            std::wstring& resultText) {
    const std::wstring encoded =
        text::SystemToWide(CHttpPostClass().UrlEncode(text::WideToSystem(fileName)));
    const std::wstring query = BaseQuery(*this, L"ftpok") + L"&filename=" + encoded + L"&guid=" +
                               QueryValue(config[L"guid"]);
    return QueryServiceRecord(query, record, resultText);
}

bool CInstallContext::SetupOk(ServiceRecord& record, std::wstring& resultText) {
    const std::wstring query =
        BaseQuery(*this, L"setupok") + L"&guid=" + QueryValue(config[L"guid"]);
    return QueryServiceRecord(query, record, resultText);
}

bool CInstallContext::CompanyName(ServiceRecord& record, std::wstring& resultText) {
    return QueryServiceRecord(BaseQuery(*this, L"companyname"), record, resultText);
}

bool CInstallContext::AppExe(ServiceRecordList& records, std::wstring& resultText) {
    return QueryService(BaseQuery(*this, L"appexe"), records, resultText);
}

bool CInstallContext::AppFilesNot(ServiceRecordList& records, std::wstring& resultText) {
    return QueryService(BaseQuery(*this, L"appfilesnot"), records, resultText);
}
