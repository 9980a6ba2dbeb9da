#pragma once
// Everything the catalogue knows about one update, on three pages: its
// properties, the updates it covers and the vulnerabilities it repairs,
// with links to the bulletin pages and the CVE lookup page. Modeless,
// created hidden; closing only hides it.

#include <functional>
#include <memory>
#include <string>

#include "zema/core/catalog_facts.h"
#include "zema/ui/models/details_pages.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_header.h"
#include "zema/ui/toolkit/skin_tab.h"
#include "zema/ui/toolkit/skinned_dialog.h"
#include "zema/ui/toolkit/update_tree_list.h"

namespace zema {

constexpr int kIdDetailsGeneral = 1003;
constexpr int kIdDetailsUpdates = 1005;
constexpr int kIdDetailsVulnerabilities = 1006;
constexpr int kIdDetailsLineBreaker = 1007;
constexpr int kIdDetailsTab = 1064;
constexpr int kIdDetailsCopy = 1116;

// Opens an address in the browser; tests hand in their own.
using LinkOpener = std::function<void(const std::string& address)>;
void OpenInBrowser(const std::string& address);

class DetailsDialog : public SkinnedDialog {
public:
    DetailsDialog(const SkinResources& skin, const CatalogFacts& catalog,
                  LinkOpener opener = &OpenInBrowser);
    ~DetailsDialog() override;

    HWND Create(HWND owner);
    // Rebuilds the pages for a new record; the same record again changes
    // nothing, and null keeps what is shown.
    void ShowRecord(const UpdateRecord* record);
    const UpdateRecord* Record() const { return record_; }
    void SelectPage(int page);
    // Shows the dialog; opened from hidden, the shown page's list has the
    // focus (the dialog manager would give it to the tabs, the first stop).
    void Present();

    UpdateTreeList& List(int page) { return *lists_[page]; }
    // Where the text of a cell is drawn now (client coordinates of its list).
    RECT CellTextRect(int page, int row, int column);

protected:
    bool OnInit() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;
    bool OnSwitchPage(bool forward) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDpiChanged(win::Dpi dpi) override;

private:
    void FitCveColumn();
    void FitColumns();
    class RowPainter;
    // Column widths at 96 DPI.
    void SetUpList(int page, int id, const std::vector<std::pair<const char*, int>>& columns);
    // The skin fonts at the dialog's scale, for the lists and for measuring.
    void LoadFonts();
    void Fill(int page, const std::vector<DetailsRow>& rows, bool keepRows);
    std::vector<std::string> BreakLines(const std::string& paragraph, int width);
    void OnListClick(int page, POINT at);
    void OpenRowLink(int page, int row);
    void CopyAddress();
    void Hide() { ::ShowWindow(hwnd(), SW_HIDE); }

    const CatalogFacts& catalog_;
    LinkOpener opener_;
    const UpdateRecord* record_ = nullptr;
    DetailsPages pages_;
    std::unique_ptr<UpdateTreeList> lists_[3];
    SkinTab tab_;
    SkinHeader headers_[3];
    SkinButton copy_;
    SkinButton close_;
    win::Font fonts_[3];  // property name, property value, CVE identifier
};

}  // namespace zema
