// Scenes of the main window: before the first scan, scanning, results in
// every grouping with rows in several states, the vulnerability tab, the
// band once everything is repaired (with and without a restart to come) and
// with one update left, and the clean result of a scan that found nothing.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "tests/zema/ui/models/result_fakes.h"
#include "tools/gallery/gallery.h"
#include "zema/ui/windows/main_window.h"

namespace {

using namespace zema;
using zema::testing_ui::FakeSession;
using zema::testing_ui::FakeSource;

// Catalogue names as a user's machine would show them.
class SampleSource : public FakeSource {
public:
    explicit SampleSource(const FakeSession& session) : FakeSource(session) {}
    UpdateFacts Update(int32_t id) const override {
        UpdateFacts facts = FakeSource::Update(id);
        facts.title = Title(id);
        facts.size = 350000u + 91000u * static_cast<uint64_t>(id % 13);
        facts.language = id % 4 == 0 ? 1031 : 1033;
        return facts;
    }
    BulletinFacts Bulletin(int32_t id) const override {
        BulletinFacts facts = FakeSource::Bulletin(id);
        facts.name = "ZB26-0" + std::to_string(id % 100);
        facts.date = 46000.0 + id % 60;
        facts.impact = id % 3 == 0 ? 2 : 1;
        return facts;
    }
    std::string GroupName(ShowBy by, int32_t id) const override {
        switch (by) {
        case ShowBy::Product:
            return id == 10 ? "Windows Platform" : id == 20 ? "Office Suite" : "Web Browser";
        case ShowBy::Severity: {
            static const char* const names[] = {"", "Low", "Moderate", "Important", "Critical"};
            return id >= 1 && id <= 4 ? names[id] : "Unrated";
        }
        case ShowBy::Impact:
            return id == 1 ? "Remote Code Execution" : "Elevation of Privilege";
        case ShowBy::Language:
            return id == 1031 ? "German" : "English";
        default:
            return {};
        }
    }
    bool VulnerabilityName(int32_t id, std::string& name) const override {
        name = "CVE-2026-" + std::to_string(1000 + id);
        return true;
    }

private:
    static std::string Title(int32_t id) {
        static const char* const parts[] = {"Windows Platform", "Office Suite", "Web Browser",
                                            "Media Runtime", "Graphics Component"};
        return "Security Update for " + std::string(parts[id % 5]) + " (KB" +
               std::to_string(950000 + id * 37) + ")";
    }
};

// One window with its session; the statuses are set before it opens.
struct Scene {
    FakeSession session;
    SampleSource source{session};
    std::unique_ptr<MainWindow> window;

    HWND Open(gallery::SceneContext& context) {
        MainWindowParts parts;
        parts.session = &session;
        parts.source = &source;
        parts.skin = &context.skin();
        window = std::make_unique<MainWindow>(parts);
        if (!window->Create()) return nullptr;
        window->Show();
        context.Settle();
        return window->hwnd();
    }
};

void AddResults(Scene& scene) {
    struct Row {
        int32_t id;
        UpdateStatus status;
        int32_t product;
        int16_t severity;
        float percent;
        bool excluded;
    };
    const Row rows[] = {
        {1, UpdateStatus::Downloading, 10, 4, 0.5f, false},
        {2, UpdateStatus::Installing, 10, 4, 1.0f, false},
        {3, UpdateStatus::Installed, 10, 3, 1.0f, false},
        {4, UpdateStatus::DownloadFailed, 20, 4, 0.0f, false},
        {5, UpdateStatus::NotDownloaded, 20, 2, 0.0f, true},
        {6, UpdateStatus::InstalledNeedsReboot, 20, 3, 1.0f, false},
        {7, UpdateStatus::NotDownloaded, 30, 1, 0.0f, false},
        {8, UpdateStatus::InstallFailed, 30, 4, 1.0f, false},
        {9, UpdateStatus::AlreadyDownloaded, 30, 3, 1.0f, false},
    };
    for (const Row& row : rows) {
        UpdateRecord& record = scene.session.Add(row.id, row.status, row.product, row.severity);
        record.percent = row.percent;
        record.excluded = row.excluded;
        scene.source.vulnerabilities.push_back({row.id * 3, row.id, row.id + 1000});
        scene.source.vulnerabilities.push_back({row.id * 3 + 1, row.id, row.id + 1000});
    }
    scene.source.groups = {{10, 20, 30}, {1, 2, 3, 4}, {1, 2}, {1031, 1033}};
    scene.session.vulnerabilityCount = scene.source.vulnerabilities.size();
}

void ShowBy(MainWindow& window, int item) {
    ResultView& view = window.View();
    HWND combo = view.Item(kIdShowBy);
    ::SendMessageA(combo, CB_SETCURSEL, item, 0);
    ::SendMessageA(view.hwnd(), WM_COMMAND, MAKEWPARAM(kIdShowBy, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
}

HWND GroupedScene(gallery::SceneContext& context, int item) {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    AddResults(scene);
    HWND window = scene.Open(context);
    if (!window) return nullptr;
    ShowBy(*scene.window, item);
    scene.window->View().UpdateList().SelectRow(3);
    context.Settle();
    return window;
}

}  // namespace

ZG_GALLERY_SCENE(main_empty, "main_empty") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    return scene.Open(context);
}

ZG_GALLERY_SCENE(main_scanning, "main_scanning") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    HWND window = scene.Open(context);
    if (!window) return nullptr;
    scene.session.scanning = true;
    for (SessionListener* listener : scene.session.listeners) listener->OnScanStarted(nullptr);
    for (int tick = 0; tick < 8; ++tick)
        ::SendMessageA(scene.window->Summary().hwnd(), WM_TIMER,
                       ResultSummaryPanel::kPaceTimer, 0);
    context.Settle();
    return window;
}

ZG_GALLERY_SCENE(main_results, "main_results") { return GroupedScene(context, 1); }
ZG_GALLERY_SCENE(main_showby_none, "main_showby_none") { return GroupedScene(context, 0); }
ZG_GALLERY_SCENE(main_showby_severity, "main_showby_severity") { return GroupedScene(context, 2); }
ZG_GALLERY_SCENE(main_showby_impact, "main_showby_impact") { return GroupedScene(context, 3); }
ZG_GALLERY_SCENE(main_showby_language, "main_showby_language") { return GroupedScene(context, 4); }

// The focus after Tab from the keyboard: on the tabs, then on a row.
ZG_GALLERY_SCENE(main_focus_tabs, "main_focus_tabs") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    AddResults(scene);
    HWND window = scene.Open(context);
    if (!window) return nullptr;
    ::SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    ::SetFocus(scene.window->View().Item(kIdResultTab));
    context.Settle();
    return window;
}

ZG_GALLERY_SCENE(main_vulnerabilities, "main_vulnerabilities") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    AddResults(scene);
    HWND window = scene.Open(context);
    if (!window) return nullptr;
    HWND tab = scene.window->View().Item(kIdResultTab);
    TabCtrl_SetCurSel(tab, 1);
    NMHDR change = {tab, static_cast<UINT_PTR>(kIdResultTab), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(scene.window->View().hwnd(), WM_NOTIFY, kIdResultTab,
                   reinterpret_cast<LPARAM>(&change));
    context.Settle();
    return window;
}

ZG_GALLERY_SCENE(main_clean, "main_clean") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    HWND window = scene.Open(context);
    if (!window) return nullptr;
    for (SessionListener* listener : scene.session.listeners) listener->OnScanStarted(nullptr);
    for (SessionListener* listener : scene.session.listeners)
        listener->OnScanCompleted(nullptr, 0);
    context.Settle();
    return window;
}

namespace {

// A scan's results once the repair has run: every record as given, each
// with two vulnerabilities.
HWND AfterRepair(gallery::SceneContext& context, std::initializer_list<UpdateStatus> statuses) {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    int32_t id = 0;
    for (UpdateStatus status : statuses) {
        ++id;
        scene.session.Add(id, status, 10, 4).percent = 1.0f;
        scene.source.vulnerabilities.push_back({id * 3, id, id + 1000});
        scene.source.vulnerabilities.push_back({id * 3 + 1, id, id + 1000});
    }
    scene.source.groups = {{10}, {4}, {1}, {1033}};
    scene.session.vulnerabilityCount = scene.source.vulnerabilities.size();
    return scene.Open(context);
}

}  // namespace

ZG_GALLERY_SCENE(main_repaired, "main_repaired") {
    return AfterRepair(context, {UpdateStatus::Installed, UpdateStatus::Installed,
                                 UpdateStatus::Installed});
}

ZG_GALLERY_SCENE(main_restart_pending, "main_restart_pending") {
    return AfterRepair(context, {UpdateStatus::Installed, UpdateStatus::InstalledNeedsReboot,
                                 UpdateStatus::Installed});
}

ZG_GALLERY_SCENE(main_one_left, "main_one_left") {
    Scene& scene = context.Keep(std::make_unique<Scene>());
    scene.session.Add(1, UpdateStatus::Installed, 10, 4);
    scene.session.Add(2, UpdateStatus::NotDownloaded, 10, 4);
    scene.source.vulnerabilities = {{3, 1, 1001}, {4, 1, 1001}, {6, 2, 1002}};
    scene.source.groups = {{10}, {4}, {1}, {1033}};
    scene.session.vulnerabilityCount = scene.source.vulnerabilities.size();
    return scene.Open(context);
}
