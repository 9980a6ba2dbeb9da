#include "zema/ui/windows/details_dialog.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "zema/core/web_link.h"
#include "zema/ui/toolkit/memory_canvas.h"
#include "zema/ui/toolkit/redraw_scope.h"

namespace zema {
namespace {

constexpr int kPageGeneral = 0;
constexpr int kPageUpdates = 1;
constexpr int kPageVulnerabilities = 2;
constexpr int kListIds[] = {kIdDetailsGeneral, kIdDetailsUpdates, kIdDetailsVulnerabilities};
constexpr const char* kTabNames[] = {"rns_general", "rns_updatelist", "rns_vulns"};

constexpr int kLineIndent = 20;       // description lines start this far in
constexpr int kLineEdgeRightGap = 10;
constexpr int kLineBufferSize = 8095;
// The column that takes the room the others leave, per page.
constexpr int kStretchColumn[] = {1, 1, 3};
constexpr int kMinimumStretchWidth[] = {150, 150, 100};

constexpr ControlText kTexts[] = {
    {kIdDetailsCopy, "rns_idc_button_copy_url"},
    {IDOK, "rns_idclose"},
    {-1, nullptr},
};

constexpr LayoutRule kLayout[] = {
    {kIdDetailsTab, kStretchX},
    {kIdDetailsGeneral, kStretchX | kStretchY},
    {kIdDetailsUpdates, kStretchX | kStretchY},
    {kIdDetailsVulnerabilities, kStretchX | kStretchY},
    {kIdDetailsCopy, kMoveX | kMoveY},
    {IDOK, kMoveX | kMoveY},
};

FrameStyle DetailsFrame() {
    FrameStyle style;
    style.caption = 28;
    style.left = style.right = style.bottom = 1;
    style.corner = 0;
    style.buttons = kCloseButton;
    return style;
}

const DetailsRow* RowOf(const TreeNode* node) {
    return node ? reinterpret_cast<const DetailsRow*>(node->value) : nullptr;
}

HFONT ListFont(HWND list) {
    return reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0));
}

}  // namespace

void OpenInBrowser(const std::string& address) {
    if (!IsWebLink(address)) return;
    ::ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// Draws the rows by their kind.
class DetailsDialog::RowPainter : public TreeRowHandler {
public:
    explicit RowPainter(const SkinResources& skin)
        : select_(skin.GetColor("rnc_listbk_select")),
          window_(skin.GetColor("rnc_window_background")),
          normal_(skin.GetColor("rnc_listbk_normal")),
          edge_(skin.GetColor("rnc_listedge")),
          text_(skin.GetColor("rnc_window_text")) {}

    void DrawRow(UpdateTreeList& list, HDC dc, int row, const RECT& rect, UINT state) override {
        const TreeNode* node = list.NodeAt(row);
        const DetailsRow* data = RowOf(node);
        if (!node || !data) return;
        int kind = data->kind;
        COLORREF back;
        if (state & ODS_SELECTED)
            back = select_;
        else if (kind == kRowProperty || kind == kRowUpdate)
            back = row % 2 == 0 ? window_ : normal_;
        else if (kind == kRowBlankOrVulnerability)
            back = window_;
        else
            back = normal_;
        FillRectColor(dc, rect, back);
        RECT edge = {rect.left, rect.bottom - 1, rect.right, rect.bottom};
        if (kind == kRowDescriptionLine) {
            edge.left += list.dpi().Scale(kLineIndent);
            edge.right -= list.dpi().Scale(kLineEdgeRightGap);
        }
        FillRectColor(dc, edge, edge_);
        if (kind == kRowDescriptionLine || kind == kRowParagraphEnd ||
            kind == kRowVulnParagraphEnd) {
            const std::string& text = node->cells[0].text;
            RECT box = {rect.left + kLineIndent, rect.top, rect.right, rect.bottom - 1};
            SelectScope font(dc, ListFont(list.hwnd()));
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, text_);
            ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box,
                        DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            return;
        }
        for (int column = 0; column < list.ColumnCount(); ++column)
            list.DrawCell(dc, *node, column, list.CellRect(column, rect));
    }

    void FillEmptyArea(UpdateTreeList&, HDC dc, const RECT& area) override {
        FillRectColor(dc, area, window_);
    }

private:
    COLORREF select_, window_, normal_, edge_, text_;
};

DetailsDialog::DetailsDialog(const SkinResources& skin, const CatalogFacts& catalog,
                             LinkOpener opener)
    : SkinnedDialog(skin, DetailsFrame()), catalog_(catalog), opener_(std::move(opener)) {}

DetailsDialog::~DetailsDialog() = default;

HWND DetailsDialog::Create(HWND owner) {
    constexpr DWORD kList = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER |
                            LVS_OWNERDATA | LVS_OWNERDRAWFIXED | WS_TABSTOP | WS_BORDER;
    DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
                          0, 0, 311, 324, skin().GetString("rns_property"),
                          "Microsoft Sans Serif", 8);
    layout.Add(kIdDetailsTab, WC_TABCONTROLA, "", WS_TABSTOP, 7, 7, 297, 13)
        .Add(kIdDetailsGeneral, WC_LISTVIEWA, "", kList, 7, 19, 298, 284)
        .Add(kIdDetailsUpdates, WC_LISTVIEWA, "", kList, 7, 19, 298, 284)
        .Add(kIdDetailsVulnerabilities, WC_LISTVIEWA, "", kList, 7, 19, 298, 284)
        .Add(kIdDetailsLineBreaker, "EDIT", "", ES_MULTILINE | ES_AUTOVSCROLL, 7, 289, 297, 14)
        .PushButton(kIdDetailsCopy, "", 119, 307, 105, 14)
        .PushButton(IDOK, "", 228, 307, 75, 14);
    HWND window = Dialog::Create(owner, layout);
    if (window) ::ShowWindow(window, SW_HIDE);
    return window;
}

void DetailsDialog::SetUpList(int page, int id,
                              const std::vector<std::pair<const char*, int>>& columns) {
    auto list = std::make_unique<UpdateTreeList>();
    list->Attach(Item(id), false);
    list->SetRowHandler(std::make_unique<RowPainter>(skin()));
    ListView_SetExtendedListViewStyle(list->hwnd(), LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    int index = 0;
    for (const auto& column : columns) {
        int format = page == kPageVulnerabilities && index == 1 ? LVCFMT_CENTER : LVCFMT_LEFT;
        list->InsertColumn(index++, column.first ? skin().GetString(column.first) : "", format,
                           column.second);
    }
    headers_[page].AttachToList(list->hwnd(), skin());
    lists_[page] = std::move(list);
}

bool DetailsDialog::OnInit() {
    ::SetWindowTextA(hwnd(), skin().GetString("rns_property").c_str());
    skin().ApplyControlTexts(hwnd(), kTexts);
    SetUpList(kPageGeneral, kIdDetailsGeneral, {{"rns_property", 126}, {"rns_value", 296}});
    SetUpList(kPageUpdates, kIdDetailsUpdates,
              {{"rns_no", 36}, {"rns_title", 290}, {"rns_securitybulletin", 90}});
    SetUpList(kPageVulnerabilities, kIdDetailsVulnerabilities,
              {{"rns_no", 36}, {"rns_cveid", 96}, {"rns_securitybulletin", 90}, {nullptr, 200}});
    LoadFonts();
    ::SendMessageA(Item(kIdDetailsLineBreaker), WM_SETFONT,
                   reinterpret_cast<WPARAM>(ListFont(Item(kIdDetailsGeneral))), FALSE);
    ::ShowWindow(Item(kIdDetailsLineBreaker), SW_HIDE);

    HWND tab = Item(kIdDetailsTab);
    for (int page = 0; page < 3; ++page) {
        std::string name = skin().GetString(kTabNames[page]);
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(name.c_str());
        ::SendMessageA(tab, TCM_INSERTITEMA, page, reinterpret_cast<LPARAM>(&item));
    }
    tab_.Attach(tab, skin());
    COLORREF background = skin().GetColor("rnc_window_background");
    tab_.SetBackground(background, skin().GetColor("rnc_tabitem_edge"),
                       skin().GetColor("rnc_tab_gap"));
    copy_.Attach(Item(kIdDetailsCopy), skin());
    close_.Attach(Item(IDOK), skin());
    SetLayout(kLayout, sizeof(kLayout) / sizeof(kLayout[0]));
    FitCveColumn();
    FitColumns();
    SelectPage(kPageGeneral);
    return false;
}

void DetailsDialog::LoadFonts() {
    UINT dpi = this->dpi().Value();
    fonts_[0].Reset(skin().GetFont("rnf_property_name", dpi));
    fonts_[1].Reset(skin().GetFont("rnf_property_value", dpi));
    fonts_[2].Reset(skin().GetFont("rnf_cveid", dpi));
    // Each list owns the fonts it is given: its own copies, not the ones
    // kept here for measuring.
    auto font = [&](const char* name) { return skin().GetFont(name, dpi); };
    if (lists_[kPageGeneral])
        lists_[kPageGeneral]->SetFonts({font("rnf_property_name"), font("rnf_property_value")});
    if (lists_[kPageVulnerabilities])
        lists_[kPageVulnerabilities]->SetFonts({font("rnf_cveid"), font("rnf_property_value")});
}

void DetailsDialog::OnDpiChanged(win::Dpi dpi) {
    for (auto& list : lists_)
        if (list) list->SetDpi(dpi);
    LoadFonts();
    ::SendMessageA(Item(kIdDetailsLineBreaker), WM_SETFONT,
                   reinterpret_cast<WPARAM>(ListFont(Item(kIdDetailsGeneral))), FALSE);
    FitCveColumn();
}

// Widens a column so that each text, drawn in `font`, shows whole.
static void FitColumnToTexts(HWND list, int column, HGDIOBJ font,
                             const std::vector<std::string>& texts, int gap) {
    HDC dc = ::GetDC(list);
    LONG widest = 0;
    {
        SelectScope select(dc, font ? font : ListFont(list));
        for (const std::string& text : texts) {
            SIZE size = {};
            ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
            widest = std::max(widest, size.cx);
        }
    }
    ::ReleaseDC(list, dc);
    int width = widest + 3 * gap;
    if (width > ListView_GetColumnWidth(list, column)) ListView_SetColumnWidth(list, column, width);
}

void DetailsDialog::FitCveColumn() {
    int gap = Px(UpdateTreeList::kGap);
    FitColumnToTexts(lists_[kPageVulnerabilities]->hwnd(), 1, fonts_[2].Get(), {"CVE-0000-00000"},
                     gap);
    std::vector<std::string> names;
    for (const char* name : kGeneralRowNames) names.push_back(skin().GetString(name));
    FitColumnToTexts(lists_[kPageGeneral]->hwnd(), 0, fonts_[0].Get(), names, gap);
}

void DetailsDialog::FitColumns() {
    for (int page = 0; page < 3; ++page)
        if (lists_[page])
            lists_[page]->SetStretchColumn(kStretchColumn[page], kMinimumStretchWidth[page]);
}

void DetailsDialog::SelectPage(int page) {
    ::SendMessageA(Item(kIdDetailsTab), TCM_SETCURSEL, page, 0);
    for (int i = 0; i < 3; ++i) ::ShowWindow(Item(kListIds[i]), i == page ? SW_SHOW : SW_HIDE);
}

void DetailsDialog::Present() {
    bool wasHidden = !::IsWindowVisible(hwnd());
    ::ShowWindow(hwnd(), SW_SHOW);
    if (!wasHidden) return;
    int page = static_cast<int>(::SendMessageA(Item(kIdDetailsTab), TCM_GETCURSEL, 0, 0));
    if (page >= 0 && page < 3) ::SetFocus(Item(kListIds[page]));
}

std::vector<std::string> DetailsDialog::BreakLines(const std::string& paragraph, int width) {
    HWND edit = Item(kIdDetailsLineBreaker);
    RECT place;
    ::GetWindowRect(edit, &place);
    ::SetWindowPos(edit, nullptr, 0, 0, width, place.bottom - place.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowTextA(edit, paragraph.c_str());
    std::vector<std::string> lines;
    int count = static_cast<int>(::SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    std::vector<char> buffer(kLineBufferSize + 1);
    for (int i = 0; i < count; ++i) {
        *reinterpret_cast<WORD*>(buffer.data()) = kLineBufferSize;
        LRESULT length = ::SendMessageA(edit, EM_GETLINE, i, reinterpret_cast<LPARAM>(buffer.data()));
        lines.emplace_back(buffer.data(), static_cast<size_t>(length));
    }
    return lines;
}

void DetailsDialog::Fill(int page, const std::vector<DetailsRow>& rows, bool) {
    UpdateTreeList& list = *lists_[page];
    RedrawScope redraw(list.hwnd());
    list.Nodes().Clear();
    std::function<void(TreeNode*, const DetailsRow&)> add = [&](TreeNode* parent,
                                                               const DetailsRow& row) {
        TreeNode* node = list.Nodes().Insert(parent, row.cells.empty() ? "" : row.cells[0].text);
        node->value = reinterpret_cast<LPARAM>(&row);
        node->cells.resize(static_cast<size_t>(list.ColumnCount()));
        for (size_t i = 0; i < row.cells.size() && i < node->cells.size(); ++i) {
            const DetailsCell& cell = row.cells[i];
            node->cells[i].text = cell.text;
            node->cells[i].font = cell.font;
            node->cells[i].key = cell.key;
            node->cells[i].color = cell.colored ? cell.color : RGB(0, 0, 0);
        }
        for (const DetailsRow& child : row.children) add(node, child);
    };
    for (const DetailsRow& row : rows) add(nullptr, row);
    list.RowsRebuilt();
}

void DetailsDialog::ShowRecord(const UpdateRecord* record) {
    if (!record || record == record_) return;
    record_ = record;
    RECT client;
    ::GetClientRect(lists_[kPageGeneral]->hwnd(), &client);
    int width = client.right - Px(kLineIndent);
    DetailsPageBuilder builder(
        catalog_, [this](const char* name) { return skin().GetString(name); },
        [this](const std::string& paragraph, int w) { return BreakLines(paragraph, w); }, width);
    DetailsPages pages = builder.Build(*record);
    // An update the catalogue does not know keeps the properties shown.
    if (!pages.generalKnown) pages.general = std::move(pages_.general);
    pages_ = std::move(pages);
    Fill(kPageVulnerabilities, pages_.vulnerabilities, false);
    Fill(kPageGeneral, pages_.general, false);
    Fill(kPageUpdates, pages_.updates, false);
}

RECT DetailsDialog::CellTextRect(int page, int row, int column) {
    UpdateTreeList& list = *lists_[page];
    RECT none = {0, 0, 0, 0};
    const TreeNode* node = list.NodeAt(row);
    if (!node || column >= static_cast<int>(node->cells.size())) return none;
    RECT rowRect = {};
    rowRect.left = LVIR_BOUNDS;
    if (!::SendMessageA(list.hwnd(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rowRect)))
        return none;
    RECT cell = list.CellRect(column, rowRect);
    const TreeCell& data = node->cells[static_cast<size_t>(column)];
    win::Dpi dpi = list.dpi();
    int left = cell.left + dpi.Scale(column == 0 ? UpdateTreeList::kIndent * node->level : 0) +
               dpi.Scale(UpdateTreeList::kGap);
    int right = cell.right - dpi.Scale(UpdateTreeList::kGap);
    const win::Font& nameFont = fonts_[page == kPageVulnerabilities ? 2 : 0];
    HFONT font = data.font == kNameFont && nameFont     ? nameFont.Get()
                 : data.font == kValueFont && fonts_[1] ? fonts_[1].Get()
                                                        : ListFont(list.hwnd());
    HDC dc = ::GetDC(list.hwnd());
    SIZE size = {};
    {
        SelectScope select(dc, font);
        ::GetTextExtentPoint32A(dc, data.text.c_str(), static_cast<int>(data.text.size()), &size);
    }
    ::ReleaseDC(list.hwnd(), dc);
    int width = std::min<int>(size.cx, right - left);
    if (list.ColumnFormat(column) == LVCFMT_CENTER) left += (right - left - width) / 2;
    return RECT{left, cell.top, left + width, cell.bottom};
}

void DetailsDialog::OnListClick(int page, POINT at) {
    LVHITTESTINFO hit = {};
    hit.pt = at;
    int row = static_cast<int>(::SendMessageA(lists_[page]->hwnd(), LVM_HITTEST, 0,
                                              reinterpret_cast<LPARAM>(&hit)));
    const DetailsRow* data = RowOf(lists_[page]->NodeAt(row));
    if (!data) return;
    for (int column = 0; column < static_cast<int>(data->cells.size()); ++column) {
        const std::string& link = data->cells[static_cast<size_t>(column)].link;
        if (link.empty()) continue;
        RECT text = CellTextRect(page, row, column);
        if (::PtInRect(&text, at)) {
            if (opener_) opener_(link);
            return;
        }
    }
}

// Enter on a row opens what a click on its first link would.
void DetailsDialog::OpenRowLink(int page, int row) {
    const DetailsRow* data = RowOf(lists_[page]->NodeAt(row));
    if (!data) return;
    for (const auto& cell : data->cells) {
        if (cell.link.empty()) continue;
        if (opener_) opener_(cell.link);
        return;
    }
}

bool DetailsDialog::OnSwitchPage(bool forward) {
    int page = static_cast<int>(::SendMessageA(Item(kIdDetailsTab), TCM_GETCURSEL, 0, 0));
    SelectPage((page + (forward ? 1 : 2)) % 3);
    return true;
}

void DetailsDialog::CopyAddress() {
    if (pages_.general.size() <= kRowAddress) return;
    const std::string& address = pages_.general[kRowAddress].cells[1].text;
    if (!::OpenClipboard(hwnd())) return;
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, address.size() + 1);
    if (block) {
        if (void* data = ::GlobalLock(block)) {
            std::memcpy(data, address.c_str(), address.size() + 1);
            ::GlobalUnlock(block);
            if (!::SetClipboardData(CF_TEXT, block)) ::GlobalFree(block);
        } else {
            ::GlobalFree(block);
        }
    }
    ::CloseClipboard();
}

bool DetailsDialog::OnCommand(WORD id, WORD, HWND) {
    switch (id) {
    case kIdDetailsCopy:
        CopyAddress();
        return true;
    case IDOK:
    case IDCANCEL:
        Hide();
        return true;
    }
    return false;
}

bool DetailsDialog::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.idFrom == kIdDetailsTab && header.code == TCN_SELCHANGE) {
        SelectPage(static_cast<int>(::SendMessageA(Item(kIdDetailsTab), TCM_GETCURSEL, 0, 0)));
        return true;
    }
    for (int page = 0; page < 3; ++page) {
        if (header.idFrom != static_cast<UINT_PTR>(kListIds[page])) continue;
        if (header.code == NM_RETURN) {
            OpenRowLink(page, lists_[page]->SelectedRow());
            result = 0;
            return true;
        }
        if (header.code != NM_CLICK) continue;
        OnListClick(page, reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
        result = 0;
        return false;  // the list's own handling goes on
    }
    return false;
}

bool DetailsDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    for (auto& list : lists_) {
        if (list && list->HandleParentMessage(message, wParam, lParam, result)) return true;
    }
    switch (message) {
    case WM_CLOSE:
    case WM_LBUTTONDBLCLK:
        Hide();
        result = 0;
        return true;
    case WM_NCLBUTTONDBLCLK: {
        // The client area answers as the caption, so its double-clicks come here.
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ::ScreenToClient(hwnd(), &at);
        RECT client;
        ::GetClientRect(hwnd(), &client);
        if (!::PtInRect(&client, at)) return false;
        Hide();
        result = 0;
        return true;
    }
    case WM_NCHITTEST: {
        // Dragged from anywhere: the client area answers as the caption.
        LRESULT hit = ::DefWindowProcA(hwnd(), message, wParam, lParam);
        if (hit != HTCLIENT) return false;
        result = HTCAPTION;
        return true;
    }
    }
    return false;
}

}  // namespace zema
