#include "zema/ui/windows/result_view.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "zema/ui/models/status_cell.h"
#include "zema/ui/toolkit/dialog_template.h"
#include "zema/ui/toolkit/drawing.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/redraw_scope.h"
#include "zema/ui/toolkit/skin_button.h"
#include "zema/ui/toolkit/skin_combo.h"
#include "zema/ui/toolkit/skin_header.h"
#include "zema/ui/toolkit/skin_icon_check.h"
#include "zema/ui/toolkit/skin_resources.h"
#include "zema/ui/toolkit/skin_tab.h"

namespace zema {
namespace {

constexpr UINT_PTR kTimerAnimation = 0;
constexpr UINT kAnimationMs = 120;
constexpr int kBottomBand = 46;
constexpr int kListTop = 27;
constexpr int kListBottomSpace = 73;
constexpr int kTabWidth = 160;
constexpr int kTabHeight = 22;
constexpr int kSmallGlyph = 16;
constexpr int kChildLineIndent = 30;
constexpr int kMeterWidth = 40;
constexpr int kMeterHeight = 8;
constexpr int kMeterStep = 10;
constexpr int kProgressTextLeft = 28;
constexpr int kProgressRightGap = 4;
constexpr int kProgressHeight = 8;
constexpr COLORREF kEvenUpdateRow = RGB(248, 248, 248);
constexpr COLORREF kEvenVulnerabilityRow = RGB(245, 245, 245);
constexpr COLORREF kMeterOn = RGB(255, 50, 50);
constexpr COLORREF kMeterOff = RGB(255, 255, 255);
constexpr COLORREF kMeterFrame = RGB(0, 100, 0);

// The installing animation's frame, shared by every view of the program.
int g_animationFrame = kImageFirstFrame;

const ControlText kControlTexts[] = {
    {kIdSelectAll, "rns_idc_check_result_selectall"},
    {kIdExpandAll, "rns_idc_check_result_expand"},
    {kIdDownload, "rns_idc_button_result_download"},
    {kIdScan, "rns_idc_button_result_scan"},
    {kIdRepair, "rns_idc_button_result_repair"},
    {kIdShowByLabel, "rns_idc_static_result_show"},
    {kIdStop, "rns_idc_button_result_stop"},
    {-1, nullptr},
};

const LayoutRule kLayout[] = {
    {kIdSelectAll, kMoveY},  {kIdExpandAll, kMoveY},  {kIdRepair, kMoveX | kMoveY},
    {kIdStop, kMoveX | kMoveY}, {kIdScan, kMoveX | kMoveY}, {kIdDownload, kMoveX | kMoveY},
    {kIdShowBy, kMoveX},     {kIdShowByLabel, kMoveX}, {kIdResultTab, kStretchX},
};

const char* const kUpdateImages[] = {
    "rni_update", "rni_category", "rni_null", "rni_installed", "rni_installreboot",
    "rni_a1",     "rni_downloaded", "rni_error", "rni_a1", "rni_a2", "rni_a3", "rni_a4",
    "rni_a5",     "rni_a6", "rni_a7", "rni_a8", "rni_a9", "rni_a10", "rni_a11", "rni_a12",
};
const char* const kVulnerabilityImages[] = {
    "rni_vuln", "rni_null", "rni_installing", "rni_installed", "rni_installreboot", "rni_error",
    "rni_a1",   "rni_a2",   "rni_a3",         "rni_a4",        "rni_a5",            "rni_a6",
    "rni_a7",   "rni_a8",   "rni_a9",         "rni_a10",       "rni_a11",           "rni_a12",
};

struct ColumnSpec {
    const char* header;
    int format;
    int width;
};
const ColumnSpec kUpdateColumns[] = {
    {"rns_listcol_title", LVCFMT_LEFT, 300},
    {"rns_listcol_bulletinname", LVCFMT_CENTER, 78},
    {"rns_listcol_severityrating", LVCFMT_CENTER, 84},
    {"rns_listcol_size", LVCFMT_CENTER, 72},  // "1023.9 KB" fits
    {"rns_listcol_publisheddate", LVCFMT_CENTER, 84},
    {"rns_listcol_status", LVCFMT_LEFT, 190},  // the longest states fit
};
const ColumnSpec kVulnerabilityColumns[] = {
    {"rns_listcol_cveid", LVCFMT_LEFT, 140},  // icon and a full identifier
    {"rns_listcol_bulletinname", LVCFMT_CENTER, 80},
    {"rns_listcol_updatetitle", LVCFMT_LEFT, 406},
    {"rns_listcol_status", LVCFMT_LEFT, 170},
};

// A transparent image keeps the image indexes when an icon is missing.
void AddBlankImage(HIMAGELIST list, int size) {
    win::Bitmap colour(CreateBlankImage(size, size));
    // Word-aligned rows of set bits, as many as any scale needs.
    std::array<WORD, 4 * 64> ones;
    ones.fill(0xFFFF);
    win::Bitmap mask(::CreateBitmap(size, size, 1, 1, ones.data()));
    ::ImageList_Add(list, colour.Get(), mask.Get());
}

template <size_t N>
win::ImageList BuildImageList(const SkinResources& skin, const char* const (&names)[N],
                              win::Dpi dpi) {
    int size = dpi.Scale(kSmallGlyph);
    win::ImageList list(
        ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, static_cast<int>(N), 0));
    if (!list) return list;
    for (const char* name : names) {
        win::Icon icon(skin.GetIcon(name, dpi.Value()));
        if (!icon || ::ImageList_AddIcon(list.Get(), icon.Get()) < 0)
            AddBlankImage(list.Get(), size);
    }
    return list;
}

void DrawLineColor(HDC dc, COLORREF colour, int x0, int y0, int x1, int y1) {
    RECT line = {x0, y0, std::max(x1, x0 + 1), std::max(y1, y0 + 1)};
    FillRectColor(dc, line, colour);
}

void SetVisible(HWND control, bool visible) {
    if (!control || (::IsWindowVisible(control) != FALSE) == visible) return;
    ::ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
}

void SetEnabled(HWND control, bool enabled) {
    if (control) ::EnableWindow(control, enabled);
}

}  // namespace

// The skinned controls of the view.
class ResultViewControls {
public:
    SkinTab tab;
    SkinCombo showBy;
    SkinButton download;
    SkinButton scan;
    SkinButton repair;
    SkinButton stop;
    SkinIconCheck selectAll;
    SkinIconCheck expandAll;
    SkinHeader updateHeader;
    SkinHeader vulnerabilityHeader;
};

// The row painter of the update list.
class ResultView::UpdateRows : public TreeRowHandler {
public:
    explicit UpdateRows(const SkinResources& skin)
        : select_(skin.GetColor("rnc_listbk_select")),
          focus_(skin.GetColor("rnc_listbk_focus")),
          normal_(skin.GetColor("rnc_listbk_normal")),
          titleSelect_(skin.GetColor("rnc_listbk_titleselect")),
          titleNormal_(skin.GetColor("rnc_listbk_titlenormal")),
          edge_(skin.GetColor("rnc_listedge")),
          titleEdge_(skin.GetColor("rnc_listedge_title")),
          progressEdge_(skin.GetColor("rnc_rstsmry_pro_edge")),
          progressFrom_(skin.GetColor("rnc_rstsmry_profor_from")),
          progressTo_(skin.GetColor("rnc_rstsmry_profor_to")) {}

    void DrawRow(UpdateTreeList& list, HDC dc, int row, const RECT& rect, UINT state) override {
        const TreeNode* node = list.NodeAt(row);
        if (!node) return;
        bool group = ResultRows::IsGroupRow(*node);
        bool selected = (state & ODS_SELECTED) != 0;
        COLORREF back;
        if (group)
            back = selected ? titleSelect_ : titleNormal_;
        else if (node->cells[0].key == 0)
            back = normal_;
        else if (selected)
            back = select_;
        else if (state & ODS_FOCUS)
            back = focus_;
        else
            back = row % 2 == 0 ? kEvenUpdateRow : normal_;
        FillRectColor(dc, rect, back);
        DrawLineColor(dc, group ? titleEdge_ : edge_,
                      rect.left + (node->level > 0 ? list.dpi().Scale(kChildLineIndent) : 0),
                      rect.bottom - 1,
                      rect.right, rect.bottom);
        for (int column = 0; column < list.ColumnCount(); ++column) {
            RECT cell = list.CellRect(column, rect);
            int key = node->cells[static_cast<size_t>(column)].key;
            if (column == kColumnSeverity && key >= 1 && key <= kMaxMeterSeverity)
                DrawSeverity(dc, cell, key, list.dpi());
            else if (column == kColumnStatus && !group &&
                     ShowsDownloadProgress(static_cast<UpdateStatus>(key)))
                DrawProgress(list, dc, *node, cell, back);
            else
                list.DrawCell(dc, *node, column, cell);
        }
    }

    void FillEmptyArea(UpdateTreeList&, HDC dc, const RECT& area) override {
        FillRectColor(dc, area, normal_);
    }

    void OnCheckChanged(UpdateTreeList& list, TreeNode& node, bool checked) override {
        if (node.parent) return;  // a child's change leaves its group alone
        // The children's rows are repainted in one go, not one by one.
        for (TreeNode* child = node.firstChild; child; child = child->next)
            child->checked = checked;
        list.RedrawChildren(node);
    }

private:
    static void DrawSeverity(HDC dc, const RECT& cell, int key, win::Dpi dpi) {
        int width = dpi.Scale(kMeterWidth);
        int height = dpi.Scale(kMeterHeight);
        int left = (cell.left + cell.right - width) / 2;
        int top = (cell.top + cell.bottom - height) / 2;
        RECT meter = {left, top, left + width, top + height};
        FillRectColor(dc, meter, kMeterOff);
        RECT on = meter;
        on.right = left + dpi.Scale(key * kMeterStep);
        FillRectColor(dc, on, kMeterOn);
        FrameRectColor(dc, meter, kMeterFrame);
        for (int x = kMeterStep; x < kMeterWidth; x += kMeterStep)
            DrawLineColor(dc, kMeterFrame, left + dpi.Scale(x), top, left + dpi.Scale(x),
                          meter.bottom);
    }

    void DrawProgress(UpdateTreeList& list, HDC dc, const TreeNode& node, const RECT& cell,
                      COLORREF back) const {
        const TreeCell& data = node.cells[kColumnStatus];
        const UpdateRecord* record = ResultRows::RecordOf(node);
        float fraction = record ? record->percent : 0.0f;
        int middle = (cell.top + cell.bottom) / 2;
        // The status image stays where the plain cell has it.
        TreeNode imageOnly = node;
        imageOnly.cells[kColumnStatus].text.clear();
        list.DrawCell(dc, imageOnly, kColumnStatus, cell);
        // A wide status column keeps the bar at its usual length.
        win::Dpi dpi = list.dpi();
        int right =
            std::min<int>(cell.right, cell.left + dpi.Scale(kUpdateColumns[kColumnStatus].width));
        RECT text = {cell.left + dpi.Scale(kProgressTextLeft), cell.top,
                     right - dpi.Scale(kProgressRightGap), middle};
        DrawTextInBox(dc, DownloadProgressText(data.text, fraction), text,
                      DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX,
                      data.color, back, true);
        int barTop = middle + dpi.Scale(2);
        RECT bar = {text.left, barTop, text.right, barTop + dpi.Scale(kProgressHeight)};
        if (bar.right > bar.left)
            DrawProgressBar(dc, bar, std::clamp(static_cast<double>(fraction), 0.0, 1.0),
                            progressEdge_, Gradient{progressTo_, progressFrom_},
                            Gradient{back, progressEdge_}, dpi);
    }

    COLORREF select_, focus_, normal_, titleSelect_, titleNormal_, edge_, titleEdge_;
    COLORREF progressEdge_, progressFrom_, progressTo_;
};

// The row painter of the vulnerability list.
class ResultView::VulnerabilityRows : public TreeRowHandler {
public:
    explicit VulnerabilityRows(const SkinResources& skin)
        : select_(skin.GetColor("rnc_listbk_select")),
          normal_(skin.GetColor("rnc_listbk_normal")),
          edge_(skin.GetColor("rnc_listedge")) {}

    void DrawRow(UpdateTreeList& list, HDC dc, int row, const RECT& rect, UINT state) override {
        const TreeNode* node = list.NodeAt(row);
        if (!node) return;
        COLORREF back = (state & ODS_SELECTED) ? select_
                        : row % 2 == 0         ? kEvenVulnerabilityRow
                                               : normal_;
        FillRectColor(dc, rect, back);
        for (int column = 0; column < list.ColumnCount(); ++column) {
            RECT cell = list.CellRect(column, rect);
            list.DrawCell(dc, *node, column, cell);
            DrawLineColor(dc, edge_, cell.right - 1, cell.top, cell.right, cell.bottom);
        }
        DrawLineColor(dc, edge_, rect.left, rect.bottom - 1, rect.right, rect.bottom);
    }

    void FillEmptyArea(UpdateTreeList&, HDC dc, const RECT& area) override {
        FillRectColor(dc, area, normal_);
    }

private:
    COLORREF select_, normal_, edge_;
};

ResultView::ResultView(UpdateSession& session, const ResultSource& source,
                       const SkinResources& skin)
    : session_(session), source_(source), skin_(skin), rows_(session, source, *this) {}

ResultView::~ResultView() {
    Close(0);  // while the overrides still hear WM_DESTROY
    if (listening_) session_.RemoveListener(this);
}

std::string ResultView::String(const char* name) const {
    auto it = strings_.find(name);
    if (it == strings_.end()) it = strings_.emplace(name, skin_.GetString(name)).first;
    return it->second;
}

COLORREF ResultView::Colour(const char* name) const {
    auto it = colours_.find(name);
    if (it == colours_.end()) it = colours_.emplace(name, skin_.GetColor(name)).first;
    return it->second;
}

HWND ResultView::Create(HWND parent) {
    constexpr DWORD kList = LVS_REPORT | LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_SHOWSELALWAYS |
                            LVS_OWNERDATA | LVS_OWNERDRAWFIXED | WS_TABSTOP;
    DialogTemplate layout(WS_CHILD | WS_CLIPCHILDREN | DS_CONTROL, 0, 0, 413, 277, "",
                          "MS Sans Serif", 8, WS_EX_CONTROLPARENT);
    layout.Add(kIdResultTab, WC_TABCONTROLA, "", TCS_FIXEDWIDTH | WS_TABSTOP, 1, 1, 411, 17)
        .Label(kIdShowByLabel, "", 244, 3, 79, 8, SS_RIGHT)
        .Add(kIdShowBy, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 326, 0, 86,
             137)
        .Add(kIdUpdateList, WC_LISTVIEWA, "", kList, 0, 72, 217, 170)
        .Add(kIdVulnerabilityList, WC_LISTVIEWA, "", kList, 255, 74, 157, 170)
        .CheckBox(kIdSelectAll, "", 5, 256, 48, 15, BS_AUTOCHECKBOX | WS_TABSTOP)
        .CheckBox(kIdExpandAll, "", 55, 256, 56, 15, BS_AUTOCHECKBOX | WS_TABSTOP | WS_DISABLED)
        .PushButton(kIdDownload, "", 194, 257, 67, 15)
        .PushButton(kIdScan, "", 265, 257, 67, 15)
        .PushButton(kIdRepair, "", 336, 257, 67, 15)
        .PushButton(kIdStop, "", 265, 257, 67, 15);
    return Dialog::Create(parent, layout);
}

bool ResultView::OnInit() {
    background_.Reset(::CreateSolidBrush(skin_.GetColor("rnc_window_background")));
    ::ShowWindow(Item(kIdDownload), SW_HIDE);  // a command without a button
    ::ShowWindow(Item(kIdStop), SW_HIDE);
    ::ShowWindow(Item(kIdVulnerabilityList), SW_HIDE);
    SetLayout(kLayout, sizeof(kLayout) / sizeof(kLayout[0]));
    AttachSkinnedControls();
    BuildLists();
    FillShowBy();
    TCITEMA tab = {};
    tab.mask = TCIF_TEXT;
    std::string updates = skin_.GetString("rns_secuirty_updates");
    std::string vulns = skin_.GetString("rns_vulnerabilities");
    tab.pszText = const_cast<char*>(updates.c_str());
    ::SendMessageA(Item(kIdResultTab), TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    tab.pszText = const_cast<char*>(vulns.c_str());
    ::SendMessageA(Item(kIdResultTab), TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&tab));
    TabCtrl_SetItemSize(Item(kIdResultTab), Px(kTabWidth), Px(kTabHeight));
    skin_.ApplyControlTexts(hwnd(), kControlTexts);
    session_.AddListener(this, true);
    listening_ = true;
    // A view opened after a scan shows its result at once.
    OnTabChanged();
    return true;
}

void ResultView::AttachSkinnedControls() {
    controls_ = std::make_unique<ResultViewControls>();
    ResultViewControls& c = *controls_;
    c.tab.Attach(Item(kIdResultTab), skin_);
    c.showBy.Attach(Item(kIdShowBy));
    c.download.Attach(Item(kIdDownload), skin_);
    c.scan.Attach(Item(kIdScan), skin_);
    c.repair.Attach(Item(kIdRepair), skin_);
    c.repair.UseFamily(skin_, kRepairButton);
    c.stop.Attach(Item(kIdStop), skin_);
    c.stop.UseFamily(skin_, kStopButton);
    c.selectAll.Attach(Item(kIdSelectAll), skin_);
    c.expandAll.Attach(Item(kIdExpandAll), skin_);
    c.expandAll.SetIcons(skin_.GetIcon("rni_expand_on", dpi().Value()),
                         skin_.GetIcon("rni_expand_off", dpi().Value()));
    c.updateHeader.AttachToList(Item(kIdUpdateList), skin_);
    c.vulnerabilityHeader.AttachToList(Item(kIdVulnerabilityList), skin_);
}

void ResultView::LoadListImages() {
    updateImages_ = BuildImageList(skin_, kUpdateImages, dpi());
    vulnerabilityImages_ = BuildImageList(skin_, kVulnerabilityImages, dpi());
    checkedIcon_.Reset(skin_.GetIcon("rni_checked", dpi().Value()));
    uncheckedIcon_.Reset(skin_.GetIcon("rni_unchecked", dpi().Value()));
    updates_.SetImageList(updateImages_.Get());
    updates_.SetCheckIcons(checkedIcon_.Get(), uncheckedIcon_.Get());
    vulnerabilities_.SetImageList(vulnerabilityImages_.Get());
    std::vector<HFONT> fonts;
    if (HFONT cve = skin_.GetFont("rnf_cveid", dpi().Value())) fonts.push_back(cve);
    vulnerabilities_.SetFonts(std::move(fonts));
}

void ResultView::OnDpiChanged(win::Dpi dpi) {
    updates_.SetDpi(dpi);
    vulnerabilities_.SetDpi(dpi);
    LoadListImages();
    controls_->expandAll.SetIcons(skin_.GetIcon("rni_expand_on", dpi.Value()),
                                  skin_.GetIcon("rni_expand_off", dpi.Value()));
    TabCtrl_SetItemSize(Item(kIdResultTab), Px(kTabWidth), Px(kTabHeight));
}

void ResultView::BuildLists() {
    updates_.Attach(Item(kIdUpdateList), true);
    for (size_t i = 0; i < sizeof(kUpdateColumns) / sizeof(kUpdateColumns[0]); ++i)
        updates_.InsertColumn(static_cast<int>(i), skin_.GetString(kUpdateColumns[i].header),
                              kUpdateColumns[i].format, kUpdateColumns[i].width);
    updates_.SetRowHandler(std::make_unique<UpdateRows>(skin_));

    vulnerabilities_.Attach(Item(kIdVulnerabilityList), false);
    for (size_t i = 0; i < sizeof(kVulnerabilityColumns) / sizeof(kVulnerabilityColumns[0]); ++i)
        vulnerabilities_.InsertColumn(static_cast<int>(i),
                                      skin_.GetString(kVulnerabilityColumns[i].header),
                                      kVulnerabilityColumns[i].format,
                                      kVulnerabilityColumns[i].width);
    vulnerabilities_.SetRowHandler(std::make_unique<VulnerabilityRows>(skin_));
    LoadListImages();
}

void ResultView::FillShowBy() {
    HWND combo = Item(kIdShowBy);
    const std::pair<const char*, ShowBy> items[] = {
        {"rns_showby_none", ShowBy::Nothing},
        {"rns_showby_product", ShowBy::Product},
        {"rns_showby_severity", ShowBy::Severity},
        {"rns_showby_impact", ShowBy::Impact},
        {"rns_showby_language", ShowBy::Language},
    };
    for (const auto& [name, by] : items) {
        std::string text = skin_.GetString(name);
        LRESULT at = ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (at >= 0) ::SendMessageA(combo, CB_SETITEMDATA, at, static_cast<LPARAM>(by));
    }
    ::SendMessageA(combo, CB_SETCURSEL, 0, 0);
    showBy_ = ShowBy::Nothing;
}

int ResultView::CurrentTab() const {
    return static_cast<int>(::SendMessageA(Item(kIdResultTab), TCM_GETCURSEL, 0, 0)) == 1 ? 1 : 0;
}

bool ResultView::HasShowBySelection() const {
    return ::SendMessageA(Item(kIdShowBy), CB_GETCURSEL, 0, 0) != CB_ERR;
}

void ResultView::FillUpdateList() {
    {
        RedrawScope redraw(updates_.hwnd());
        animated_ = nullptr;
        ::KillTimer(hwnd(), kTimerAnimation);
        nodeOf_.clear();
        if (session_.IsScanning()) {
            updates_.Nodes().Clear();
        } else {
            rows_.FillUpdates(updates_.Nodes(), showBy_);
            for (int row = 0; row < updates_.RowCount(); ++row) {
                TreeNode* node = updates_.NodeAt(row);
                if (UpdateRecord* record = ResultRows::RecordOf(*node)) nodeOf_[record] = node;
            }
            // Children of collapsed groups have no row: none here, all expanded.
        }
        updates_.RowsRebuilt();
    }
    ::CheckDlgButton(hwnd(), kIdSelectAll, BST_CHECKED);
    ::CheckDlgButton(hwnd(), kIdExpandAll, BST_CHECKED);
    UpdateControls();
}

void ResultView::FillVulnerabilityList() {
    RedrawScope redraw(vulnerabilities_.hwnd());
    if (session_.IsScanning())
        vulnerabilities_.Nodes().Clear();
    else
        rows_.FillVulnerabilities(vulnerabilities_.Nodes());
    vulnerabilities_.RowsRebuilt();
}

void ResultView::OnTabChanged() {
    if (CurrentTab() == 1) {
        if (vulnerabilities_.RowCount() == 0) FillVulnerabilityList();
    } else if (updates_.RowCount() == 0) {
        FillUpdateList();
    }
    UpdateControls();
}

// Ctrl+Tab: the other tab, with the focus on its list if it was on the one now hidden.
bool ResultView::OnSwitchPage(bool) {
    HWND focus = ::GetFocus();
    bool inList = focus == updates_.hwnd() || focus == vulnerabilities_.hwnd();
    TabCtrl_SetCurSel(Item(kIdResultTab), CurrentTab() == 1 ? 0 : 1);
    OnTabChanged();
    if (inList) ::SetFocus(CurrentTab() == 1 ? vulnerabilities_.hwnd() : updates_.hwnd());
    return true;
}

void ResultView::UpdateControls() {
    ResultActivity activity;
    activity.tab = CurrentTab();
    activity.scanning = session_.IsScanning();
    activity.workActive = session_.DownloadsActive() || session_.InstallationsActive();
    activity.hasRows = updates_.RowCount() > 0;
    activity.showBy = showBy_;
    ResultControlStates s = ComputeControlStates(activity);
    SetVisible(updates_.hwnd(), s.updateListShown);
    SetVisible(vulnerabilities_.hwnd(), s.vulnerabilityListShown);
    SetVisible(Item(kIdShowBy), s.showByShown);
    SetVisible(Item(kIdShowByLabel), s.showByShown);
    SetVisible(Item(kIdScan), s.scanShown);
    SetVisible(Item(kIdStop), s.stopShown);
    SetEnabled(Item(kIdScan), s.scanEnabled);
    SetEnabled(Item(kIdStop), s.stopEnabled);
    SetEnabled(Item(kIdRepair), s.repairEnabled);
    SetEnabled(Item(kIdSelectAll), s.selectAllEnabled);
    SetEnabled(Item(kIdExpandAll), s.expandAllEnabled);
    SetEnabled(Item(kIdShowBy), s.showByEnabled);
}

void ResultView::OnUpdateChanged(UpdateRecord* record) {
    if (!record || !hwnd()) return;
    auto it = nodeOf_.find(record);
    if (it != nodeOf_.end()) {
        rows_.ApplyStatus(*it->second, *record);
        updates_.RedrawNode(it->second);
    }
    switch (record->status) {
    case UpdateStatus::DownloadFailed:
    case UpdateStatus::Installing:
    case UpdateStatus::Installed:
    case UpdateStatus::InstalledNeedsReboot:
    case UpdateStatus::InstallFailed:
        for (int row = 0; row < vulnerabilities_.RowCount(); ++row) {
            TreeNode* node = vulnerabilities_.NodeAt(row);
            if (node->cells[kColumnCveId].key != record->id) continue;
            rows_.ApplyRepairStatus(*node);
            vulnerabilities_.RedrawNode(node);
        }
        break;
    default:
        break;
    }
    if (record->status == UpdateStatus::Installing) {
        animated_ = record;
        ::SetTimer(hwnd(), kTimerAnimation, kAnimationMs, nullptr);
    } else if (record == animated_ && (IsDone(record->status) ||
                                       record->status == UpdateStatus::InstallCanceled ||
                                       record->status == UpdateStatus::InstallFailed)) {
        ::KillTimer(hwnd(), kTimerAnimation);
        animated_ = nullptr;
    }
    UpdateControls();
}

void ResultView::OnScanStarted(HWND) {
    if (!hwnd()) return;
    animated_ = nullptr;
    ::KillTimer(hwnd(), kTimerAnimation);
    nodeOf_.clear();
    for (UpdateTreeList* list : {&updates_, &vulnerabilities_}) {
        RedrawScope redraw(list->hwnd());
        list->DeleteAllRows();
    }
    UpdateControls();
}

void ResultView::OnScanCompleted(HWND, int) {
    if (!hwnd()) return;
    OnTabChanged();
}

void ResultView::OnTimer(UINT_PTR id) {
    if (id != kTimerAnimation) return;
    auto it = nodeOf_.find(animated_);
    if (!animated_ || it == nodeOf_.end()) {
        ::KillTimer(hwnd(), kTimerAnimation);
        return;
    }
    it->second->cells[kColumnStatus].image = g_animationFrame;
    updates_.RedrawNode(it->second);
    if (++g_animationFrame > kImageLastFrame) g_animationFrame = kImageFirstFrame;
}

void ResultView::SelectAll() {
    bool checked = ::IsDlgButtonChecked(hwnd(), kIdSelectAll) == BST_CHECKED;
    // Opposite first, so that every group passes the state to its children.
    for (TreeNode* top = updates_.Nodes().FirstChild(nullptr); top; top = top->next) {
        updates_.SetCheck(top, !checked);
        updates_.SetCheck(top, checked);
    }
}

void ResultView::ExpandAll() {
    bool expand = ::IsDlgButtonChecked(hwnd(), kIdExpandAll) == BST_CHECKED;
    RedrawScope redraw(updates_.hwnd());
    for (TreeNode* top = updates_.Nodes().FirstChild(nullptr); top; top = top->next)
        updates_.Expand(updates_.RowOf(top), expand, false);
}

bool ResultView::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
    case kIdShowBy:
        if (code == CBN_SELCHANGE) {
            LRESULT at = ::SendMessageA(Item(kIdShowBy), CB_GETCURSEL, 0, 0);
            LRESULT data = ::SendMessageA(Item(kIdShowBy), CB_GETITEMDATA, at, 0);
            if (at != CB_ERR && data >= static_cast<LRESULT>(ShowBy::Nothing) &&
                data <= static_cast<LRESULT>(ShowBy::Language))
                showBy_ = static_cast<ShowBy>(data);
            FillUpdateList();
        }
        return true;
    case kIdScan:
        session_.StartScan(hwnd());
        UpdateControls();
        return true;
    case kIdRepair:
        if (HasShowBySelection())
            RepairRecords(session_, ResultRows::CheckedRecords(updates_.Nodes(), showBy_));
        UpdateControls();
        return true;
    case kIdDownload:
        if (HasShowBySelection())
            DownloadRecords(session_, ResultRows::CheckedRecords(updates_.Nodes(), showBy_));
        UpdateControls();
        return true;
    case kIdStop:
        if (HasShowBySelection())
            StopRecords(session_, ResultRows::CheckedRecords(updates_.Nodes(), showBy_));
        return true;
    case kIdSelectAll:
        if (code == BN_CLICKED) SelectAll();
        return true;
    case kIdExpandAll:
        if (code == BN_CLICKED) ExpandAll();
        return true;
    default:
        return false;
    }
}

bool ResultView::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom == kIdResultTab && header.code == TCN_SELCHANGE) {
        OnTabChanged();
        return true;
    }
    if (header.idFrom != kIdUpdateList || !details_) return false;
    TreeNode* selected = updates_.NodeAt(updates_.SelectedRow());
    UpdateRecord* record = selected ? ResultRows::RecordOf(*selected) : nullptr;
    if (header.code == NM_DBLCLK || header.code == NM_RETURN) {
        details_(record, true);
        result = 0;
        return true;
    }
    if (header.code == LVN_ITEMCHANGED) {
        details_(record, false);
        return true;
    }
    return false;
}

void ResultView::OnSize(UINT type, int cx, int cy) {
    if (type == SIZE_MINIMIZED || cx <= 0 || cy <= 0) return;
    for (HWND list : {updates_.hwnd(), vulnerabilities_.hwnd()})
        if (list)
            ::MoveWindow(list, 1, Px(kListTop), cx - 2, std::max(0, cy - Px(kListBottomSpace)),
                         TRUE);
    FitColumns();
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void ResultView::FitColumns() {
    struct Fit {
        HWND list;
        int column;
        int minimum;
    };
    const Fit fits[] = {
        {updates_.hwnd(), kColumnTitle, kUpdateColumns[kColumnTitle].width},
        {vulnerabilities_.hwnd(), kColumnUpdateTitle,
         kVulnerabilityColumns[kColumnUpdateTitle].width},
    };
    for (const Fit& fit : fits) {
        if (!fit.list) continue;
        int count = Header_GetItemCount(ListView_GetHeader(fit.list));
        RECT client;
        ::GetClientRect(fit.list, &client);
        // Room for the vertical scroll bar that a longer fill will bring.
        if (!(::GetWindowLongPtrA(fit.list, GWL_STYLE) & WS_VSCROLL))
            client.right -= dpi().SystemMetric(SM_CXVSCROLL);
        int others = 0;
        for (int i = 0; i < count; ++i)
            if (i != fit.column) others += ListView_GetColumnWidth(fit.list, i);
        ListView_SetColumnWidth(fit.list, fit.column,
                                std::max<int>(Px(fit.minimum), client.right - others));
    }
}

// Both lists give the width their other columns leave to their widest text
// column, in every window size, so maximising widens the titles as well.
void ResultView::SetMaximized(bool) { FitColumns(); }

void ResultView::PaintBackground(HDC dc) {
    RECT client;
    ::GetClientRect(hwnd(), &client);
    COLORREF back = Colour("rnc_window_background");
    COLORREF border = Colour("rnc_dlg_border");
    FillRectColor(dc, client, back);
    RECT band = client;
    band.top = std::max(client.top, client.bottom - Px(kBottomBand));
    FillGradientFromBottom(dc, band,
                           Gradient{Colour("rnc_rstsmry_background_to"),
                                    Colour("rnc_rstsmry_background_from")});
    FrameRectColor(dc, client, border);
    FrameRectColor(dc, band, border);
}

bool ResultView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (updates_.HandleParentMessage(message, wParam, lParam, result) ||
        vulnerabilities_.HandleParentMessage(message, wParam, lParam, result))
        return true;
    switch (message) {
    case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, Colour("rnc_dlg_ctrl_text"));
        result = reinterpret_cast<LRESULT>(background_.Get());
        return true;
    }
    default:
        return false;
    }
}

void ResultView::OnDestroy() {
    ::KillTimer(hwnd(), kTimerAnimation);
    if (listening_) session_.RemoveListener(this);
    listening_ = false;
}

}  // namespace zema
