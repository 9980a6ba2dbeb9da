#pragma once
// A session and a result source made of plain records, for the result
// view's tests and benchmark: nothing is downloaded, calls are recorded.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "zema/core/app_services.h"
#include "zema/ui/models/result_source.h"

namespace zema {
namespace testing_ui {

class FakeSession : public UpdateSession {
public:
    bool Connect() override { return true; }
    void Shutdown() override {}
    bool StartScan(HWND requester) override {
        ++scans;
        scanRequester = requester;
        return true;
    }
    bool IsScanning() const override { return scanning; }
    bool DownloadsActive() const override { return downloading; }
    bool InstallationsActive() const override { return installing; }
    const UpdateList& Updates() const override { return records; }
    StartResult StartDownload(UpdateRecord& record, bool) override {
        downloads.push_back(record.id);
        return StartResult::Started;
    }
    int CancelDownload(UpdateRecord& record) override {
        canceledDownloads.push_back(record.id);
        return 1;
    }
    StartResult StartInstallation(UpdateRecord& record) override {
        installs.push_back(record.id);
        return StartResult::Started;
    }
    int CancelInstallation(UpdateRecord& record) override {
        canceledInstalls.push_back(record.id);
        return 1;
    }
    size_t VulnerabilityCount() const override { return vulnerabilityCount; }
    RepairedCount CountRepairedVulnerabilities() const override { return {}; }
    void ApplyDownloaderSettings() override {}
    void AddListener(SessionListener* listener, bool atFront) override {
        if (atFront)
            listeners.insert(listeners.begin(), listener);
        else
            listeners.push_back(listener);
    }
    void RemoveListener(SessionListener* listener) override {
        for (auto it = listeners.begin(); it != listeners.end();)
            it = *it == listener ? listeners.erase(it) : it + 1;
    }

    // A record with one update point: product `product`, severity
    // `severity`, bulletin `id` + 1000.
    UpdateRecord& Add(int32_t id, UpdateStatus status, int32_t product = 1, int16_t severity = 1) {
        records.push_back(std::make_unique<UpdateRecord>());
        UpdateRecord& record = *records.back();
        record.id = id;
        record.status = status;
        UpdatePoint point;
        point.id = id;
        point.updateId = id;
        point.securityBulletinId = id + 1000;
        point.severityRating = severity;
        point.categoryIds.push_back(product);
        record.updatePoints.push_back(point);
        return record;
    }
    void Changed(UpdateRecord& record, UpdateStatus status, float percent = 0) {
        record.status = status;
        record.percent = percent;
        for (SessionListener* listener : std::vector<SessionListener*>(listeners))
            listener->OnUpdateChanged(&record);
    }

    UpdateList records;
    std::vector<SessionListener*> listeners;
    size_t vulnerabilityCount = 0;
    bool scanning = false;
    bool downloading = false;
    bool installing = false;
    int scans = 0;
    HWND scanRequester = nullptr;
    std::vector<int32_t> downloads;
    std::vector<int32_t> installs;
    std::vector<int32_t> canceledDownloads;
    std::vector<int32_t> canceledInstalls;
};

// Names are "<kind> <id>"; every update has language 1033 unless told,
// every bulletin impact 7.
class FakeSource : public ResultSource {
public:
    explicit FakeSource(const FakeSession& session) : session_(session) {}
    const GroupingSets& Groups() const override { return groups; }
    const std::vector<VulnerabilityEntry>& Vulnerabilities() const override {
        return vulnerabilities;
    }
    SessionSummary Summary() const override { return SummarizeRecords(session_.Updates()); }
    UpdateFacts Update(int32_t id) const override {
        UpdateFacts facts;
        facts.known = true;
        facts.title = "Security Update for Product " + std::to_string(id);
        facts.size = 1024u * static_cast<uint64_t>(id % 5000 + 1);
        auto it = languages.find(id);
        facts.language = it == languages.end() ? 1033 : it->second;
        return facts;
    }
    BulletinFacts Bulletin(int32_t id) const override {
        BulletinFacts facts;
        facts.known = true;
        facts.name = "ZB" + std::to_string(id);
        facts.date = 45000.0;
        facts.impact = 7;
        return facts;
    }
    std::string GroupName(ShowBy by, int32_t id) const override {
        static const char* kinds[] = {"", "", "Product", "Severity", "Impact", "Language"};
        return std::string(kinds[static_cast<int>(by)]) + " " + std::to_string(id);
    }
    bool VulnerabilityName(int32_t id, std::string& name) const override {
        if (id < 0) return false;
        name = "CVE-2026-" + std::to_string(id);
        return true;
    }

    GroupingSets groups;
    std::vector<VulnerabilityEntry> vulnerabilities;
    std::map<int32_t, int32_t> languages;

private:
    const FakeSession& session_;
};

// Strings are their own entry names; colours are numbered by name.
class FakeSkin : public SkinLookup {
public:
    std::string String(const char* name) const override { return name; }
    COLORREF Colour(const char* name) const override {
        return static_cast<COLORREF>(std::hash<std::string>()(name) & 0xFFFFFF);
    }
};

}  // namespace testing_ui
}  // namespace zema
