#pragma once
// The result view: the missing updates (grouped, checkable, with a live
// status column) and the vulnerabilities they repair, with the Scan,
// Repair and Stop commands. It follows the session as a listener and asks
// it to act; it never changes a record itself.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "zema/core/app_services.h"
#include "zema/ui/models/result_rows.h"
#include "zema/ui/toolkit/dialog.h"
#include "zema/ui/toolkit/update_tree_list.h"

namespace zema {

class SkinResources;
class ResultViewControls;

// Control identifiers of the view.
enum ResultViewId {
    kIdResultTab = 1057,
    kIdShowByLabel = 1058,
    kIdShowBy = 1006,
    kIdUpdateList = 1008,
    kIdVulnerabilityList = 1015,
    kIdSelectAll = 1016,
    kIdExpandAll = 1068,
    kIdDownload = 1009,
    kIdScan = 1010,
    kIdRepair = 1011,
    kIdStop = 1112,
};

class ResultView : public Dialog, public SessionListener, private SkinLookup {
public:
    ResultView(UpdateSession& session, const ResultSource& source, const SkinResources& skin);
    ~ResultView() override;

    HWND Create(HWND parent);
    // The details dialog's hook: the record of a double-clicked or newly
    // selected update row (null for none), and whether to toggle it.
    using DetailsHook = std::function<void(UpdateRecord* record, bool toggle)>;
    void SetDetailsHook(DetailsHook hook) { details_ = std::move(hook); }
    // The main window says whether it was maximised (true) or restored.
    void SetMaximized(bool maximized);

    UpdateTreeList& UpdateList() { return updates_; }
    UpdateTreeList& VulnerabilityList() { return vulnerabilities_; }
    ShowBy CurrentShowBy() const { return showBy_; }

    // SessionListener
    void OnUpdateChanged(UpdateRecord* record) override;
    void OnScanStarted(HWND requester) override;
    void OnScanCompleted(HWND requester, int result) override;

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    void OnTimer(UINT_PTR id) override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnDestroy() override;
    void OnDpiChanged(win::Dpi dpi) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    class UpdateRows;
    class VulnerabilityRows;

    // SkinLookup
    std::string String(const char* name) const override;
    COLORREF Colour(const char* name) const override;

    void AttachSkinnedControls();
    void BuildLists();
    void FillShowBy();
    void FillUpdateList();
    void FillVulnerabilityList();
    void OnTabChanged();
    // The lists' images, check glyphs and fonts at the view's scale.
    void LoadListImages();
    bool OnSwitchPage(bool forward) override;
    void UpdateControls();
    void SelectAll();
    void ExpandAll();
    void PaintBackground(HDC dc);
    void FitColumns();
    int CurrentTab() const;
    bool HasShowBySelection() const;

    UpdateSession& session_;
    const ResultSource& source_;
    const SkinResources& skin_;
    ResultRows rows_;
    UpdateTreeList updates_;
    UpdateTreeList vulnerabilities_;
    std::unique_ptr<ResultViewControls> controls_;
    std::unordered_map<const UpdateRecord*, TreeNode*> nodeOf_;
    win::ImageList updateImages_;
    win::ImageList vulnerabilityImages_;
    win::Icon checkedIcon_;
    win::Icon uncheckedIcon_;
    win::Brush background_;
    ShowBy showBy_ = ShowBy::Nothing;
    UpdateRecord* animated_ = nullptr;
    DetailsHook details_;
    bool listening_ = false;
    // Skin lookups are XPath queries; rows ask for the same few thousands
    // of times.
    mutable std::unordered_map<std::string, std::string> strings_;
    mutable std::unordered_map<std::string, COLORREF> colours_;
};

}  // namespace zema
