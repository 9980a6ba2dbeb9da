#include "brightwick/version_check.h"

#include <cstdint>

#include "netclient/text_util.h"

namespace brightwick {
namespace {

constexpr char kValidatePath[] = "/zema/upgrade/validate.asp";
constexpr char kFailedPath[] = "/zema/upgrade/failed.asp";
constexpr char kLanguage[] = "en-us";
// Names the program that asks, so one server can answer several products.
constexpr char kProductName[] = "zema";
constexpr char kFileListName[] = "filelist.xml.cpr";
constexpr char kVersionKey[] = "version=";
constexpr int kVersionFields = 4;

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::string TrimRight(const std::string& text) {
    size_t last = text.find_last_not_of(" \t\r\n\v\f");
    return last == std::string::npos ? std::string() : text.substr(0, last + 1);
}

// Like "%d.%d.%d.%d": reading stops at the first character that does not fit.
void ReadVersion(const std::string& text, uint32_t fields[kVersionFields]) {
    size_t pos = 0;
    for (int i = 0; i < kVersionFields; ++i) fields[i] = 0;
    for (int i = 0; i < kVersionFields; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return;
            ++pos;
        }
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
            negative = text[pos] == '-';
            ++pos;
        }
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return;
        uint32_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
            value = value * 10 + static_cast<uint32_t>(text[pos++] - '0');
        fields[i] = negative ? 0u - value : value;
    }
}

// The server's address up to the product's pages: plain HTTP unless the
// setting names its scheme.
std::string ServerRoot(const std::string& server) {
    if (!netclient::StartsWithNoCase(server, "http://") &&
        !netclient::StartsWithNoCase(server, "https://"))
        return "http://" + server;
    size_t end = server.find_last_not_of('/');
    return server.substr(0, end == std::string::npos ? 0 : end + 1);
}

}  // namespace

std::string ValidateRequestUrl(const std::string& server, const std::string& installedVersion) {
    return ServerRoot(server) + kValidatePath + "?Version=" + installedVersion + "&lang=" +
           kLanguage + "&n=" + kProductName;
}

std::string FailedPageUrl(const std::string& server) { return ServerRoot(server) + kFailedPath; }

bool RequestAnswer(netclient::TransferSettings settings, const std::string& failedPage,
                   std::string& answer) {
    answer.clear();
    settings.enableRedirect = false;
    std::unique_ptr<netclient::Transfer> transfer = netclient::MakeTransfer(settings);
    if (!transfer) return false;
    int opened = transfer->Open(0);
    std::string current = transfer->Url();
    transfer->Close();
    // Only a redirect is an answer; a page served with 200 is not one.
    if (opened != netclient::kRefused) return false;
    current = netclient::ToLower(current);
    if (current.empty() || current == netclient::ToLower(failedPage)) return false;
    answer = current;
    return true;
}

UpgradeAnswer SplitAnswer(const std::string& answer) {
    UpgradeAnswer result;
    size_t question = answer.find('?');
    std::string left = question == std::string::npos ? std::string() : answer.substr(0, question);
    std::string query = question == std::string::npos ? answer : answer.substr(question + 1);
    left = Trim(left);
    query = Trim(query);

    size_t listAt = left.find(kFileListName);
    if (listAt != std::string::npos && listAt > 0) result.fileListUrl = left;

    for (char& c : left)
        if (c == '\\') c = '/';
    size_t slash = left.rfind('/');
    result.baseUrl = slash == std::string::npos ? std::string() : TrimRight(left.substr(0, slash));

    size_t key = query.find(kVersionKey);
    if (key != std::string::npos) {
        std::string version = query.substr(key + sizeof(kVersionKey) - 1);
        size_t semicolon = version.find(';');
        if (semicolon != std::string::npos && semicolon > 0) version.resize(semicolon);
        result.newVersion = Trim(version);
    }
    return result;
}

int CompareVersions(const std::string& newer, const std::string& installed) {
    uint32_t a[kVersionFields];
    uint32_t b[kVersionFields];
    ReadVersion(newer, a);
    ReadVersion(installed, b);
    for (int i = 0; i < kVersionFields; ++i) {
        if (a[i] > b[i]) return 1;
        if (a[i] < b[i]) return -1;
    }
    return 0;
}

}  // namespace brightwick
