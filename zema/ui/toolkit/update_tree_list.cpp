#include "zema/ui/toolkit/update_tree_list.h"

#include <algorithm>

#include "win/unique_handle.h"
#include "win/dialog_scaler.h"
#include "zema/ui/toolkit/drawing.h"

namespace zema {
namespace {

constexpr UINT_PTR kSubclassId = 0x7A17;
constexpr int kTextBottomLift = 2;

HFONT ListFont(HWND hwnd) {
    return reinterpret_cast<HFONT>(::SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

}  // namespace

void TreeRowHandler::FillEmptyArea(UpdateTreeList&, HDC dc, const RECT& area) {
    ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_WINDOW));
}

UpdateTreeList::~UpdateTreeList() {
    if (hwnd_) ::RemoveWindowSubclass(hwnd_, &UpdateTreeList::SubclassProc, kSubclassId);
}

bool UpdateTreeList::Attach(HWND listView, bool checkBoxes) {
    if (!listView || hwnd_) return false;
    LONG_PTR style = ::GetWindowLongPtrA(listView, GWL_STYLE);
    if (!(style & LVS_OWNERDATA)) return false;
    ::SetWindowLongPtrA(listView, GWL_STYLE,
                        (style & ~LVS_TYPEMASK) | LVS_REPORT | LVS_OWNERDRAWFIXED);
    ListView_SetExtendedListViewStyleEx(listView, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    if (!::SetWindowSubclass(listView, &UpdateTreeList::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)))
        return false;
    hwnd_ = listView;
    dpi_ = win::DialogScaler::ForControl(listView);
    checkBoxes_ = checkBoxes;
    if (checkBoxes) {
        // The rows' checks are the list's own check-box state (image 2 checked,
        // 1 not), answered from the nodes, so that what reads the list from
        // outside, a screen reader or test automation, sees them.
        ListView_SetExtendedListViewStyleEx(listView, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
        ListView_SetCallbackMask(listView, LVIS_STATEIMAGEMASK);
    }
    return true;
}

int UpdateTreeList::RowHeight() const {
    return dpi_.Scale(handler_ ? handler_->RowHeight() : TreeRowHandler::kRowHeight);
}

void UpdateTreeList::SetDpi(win::Dpi dpi) {
    if (dpi == dpi_) return;
    win::Dpi old = dpi_;
    dpi_ = dpi;
    if (!hwnd_) return;
    for (int i = 0; i < nodes_.ColumnCount(); ++i)
        ListView_SetColumnWidth(hwnd_, i,
                                ::MulDiv(ListView_GetColumnWidth(hwnd_, i), dpi.Value(), old.Value()));
    if (handler_) {
        spacer_.Reset(::ImageList_Create(1, std::max(1, RowHeight() - 1), ILC_COLOR32, 1, 0));
        ListView_SetImageList(hwnd_, spacer_.Get(), LVSIL_SMALL);
    }
    // The list measures its rows again on a font change.
    ::SendMessageA(hwnd_, WM_SETFONT, ::SendMessageA(hwnd_, WM_GETFONT, 0, 0), FALSE);
    FitStretchColumn();
}

void UpdateTreeList::SetRowHandler(std::unique_ptr<TreeRowHandler> handler) {
    handler_ = std::move(handler);
    if (!hwnd_ || !handler_) return;
    // An owner-drawn list measures its rows when it is made, before this
    // handler existed; a font change makes it ask the parent again. The
    // small image list keeps the height (the list adds one pixel) should
    // the parent not answer.
    spacer_.Reset(::ImageList_Create(1, std::max(1, RowHeight() - 1), ILC_COLOR32, 1, 0));
    ListView_SetImageList(hwnd_, spacer_.Get(), LVSIL_SMALL);
    ::SendMessageA(hwnd_, WM_SETFONT, ::SendMessageA(hwnd_, WM_GETFONT, 0, 0), FALSE);
}

void UpdateTreeList::SetFonts(std::vector<HFONT> fonts) {
    fonts_.clear();
    for (HFONT font : fonts) fonts_.emplace_back(font);
}

void UpdateTreeList::SetCheckIcons(HICON checked, HICON unchecked) {
    checkedIcon_ = checked;
    uncheckedIcon_ = unchecked;
}

int UpdateTreeList::InsertColumn(int index, const std::string& text, int format, int width) {
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = dpi_.Scale(width);
    column.pszText = const_cast<char*>(text.c_str());
    column.iSubItem = index;
    int at = static_cast<int>(
        ::SendMessageA(hwnd_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
    if (at >= 0 && nodes_.RowCount() == 0) {
        HWND header = ListView_GetHeader(hwnd_);
        nodes_.SetColumnCount(Header_GetItemCount(header));
    }
    return at;
}

TreeNode* UpdateTreeList::InsertRow(TreeNode* parent, const std::string& text) {
    int row = -1;
    TreeNode* node = nodes_.Insert(parent, text, &row);
    if (row >= 0) RowCountChanged(row, nullptr, true);
    return node;
}

void UpdateTreeList::DeleteAllRows() {
    nodes_.Clear();
    RowsRebuilt();
}

// Item -1 would visit every row of a long list; only the marked ones need it.
void UpdateTreeList::ClearSelection() {
    for (UINT mark : {LVNI_SELECTED, LVNI_FOCUSED}) {
        int row = ListView_GetNextItem(hwnd_, -1, mark);
        if (row >= 0) ListView_SetItemState(hwnd_, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

void UpdateTreeList::RowsRebuilt() {
    if (!hwnd_) return;
    ClearSelection();
    ListView_SetItemCountEx(hwnd_, nodes_.RowCount(), 0);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void UpdateTreeList::RowCountChanged(int fromRow, const TreeNode* keepSelected, bool redraw) {
    if (!hwnd_) return;
    ListView_SetItemCountEx(hwnd_, nodes_.RowCount(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    // A virtual list keeps its selection by index: move it with the node.
    if (keepSelected) SelectRow(nodes_.RowOf(keepSelected));
    if (!redraw) return;
    RECT client;
    ::GetClientRect(hwnd_, &client);
    RECT row;
    if (fromRow >= 0 && ListView_GetItemRect(hwnd_, fromRow, &row, LVIR_BOUNDS))
        client.top = std::max(client.top, row.top);
    ::InvalidateRect(hwnd_, &client, TRUE);
}

void UpdateTreeList::SetText(TreeNode* node, int column, const std::string& text) {
    if (!node || column < 0 || column >= static_cast<int>(node->cells.size())) return;
    node->cells[static_cast<size_t>(column)].text = text;
    RedrawNode(node);
}

std::string UpdateTreeList::GetText(const TreeNode* node, int column) const {
    if (!node || column < 0 || column >= static_cast<int>(node->cells.size())) return {};
    return node->cells[static_cast<size_t>(column)].text;
}

bool UpdateTreeList::SetCheck(TreeNode* node, bool checked) {
    if (!checkBoxes_ || !node) return false;
    bool previous = node->checked;
    if (previous == checked) return previous;
    node->checked = checked;
    if (node->shown) {
        RedrawNode(node);
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, nodes_.RowOf(node) + 1);
        if (handler_) handler_->OnCheckChanged(*this, *node, checked);
    }
    return previous;
}

void UpdateTreeList::ToggleCheck(TreeNode& node) { SetCheck(&node, !node.checked); }

void UpdateTreeList::Expand(int row, bool expand, bool redraw) {
    TreeNode* node = nodes_.NodeAt(row);
    if (!node || expand == node->expanded || (expand && !node->firstChild)) return;
    if (handler_ && !handler_->MayExpand(*node, expand)) return;
    const TreeNode* selected = nodes_.NodeAt(SelectedRow());
    if (expand) {
        nodes_.Expand(node);
    } else {
        nodes_.Collapse(node);
        if (selected && !selected->shown) selected = node;
    }
    RowCountChanged(row, selected, redraw);
    if (handler_) handler_->OnExpandChanged(*this, *node);
}

int UpdateTreeList::SelectedRow() const {
    return hwnd_ ? ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED) : -1;
}

void UpdateTreeList::SelectRow(int row) {
    if (!hwnd_) return;
    ClearSelection();
    if (row < 0 || row >= nodes_.RowCount()) return;
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, row, FALSE);
}

void UpdateTreeList::RedrawNode(const TreeNode* node) {
    int row = nodes_.RowOf(node);
    if (hwnd_ && row >= 0) ListView_RedrawItems(hwnd_, row, row);
}

void UpdateTreeList::RedrawChildren(const TreeNode& node) {
    int row = nodes_.RowOf(&node);
    if (!hwnd_ || row < 0 || !node.expanded || !node.firstChild) return;
    int last = row;
    while (last + 1 < nodes_.RowCount() && nodes_.NodeAt(last + 1)->level > node.level) ++last;
    if (last > row) ListView_RedrawItems(hwnd_, row + 1, last);
}

int UpdateTreeList::ColumnsWidth() const {
    int width = 0;
    for (int i = 0; i < nodes_.ColumnCount(); ++i) width += ListView_GetColumnWidth(hwnd_, i);
    return width;
}

void UpdateTreeList::SetStretchColumn(int column, int minimum) {
    stretchColumn_ = column;
    stretchMinimum_ = minimum;
    FitStretchColumn();
}

void UpdateTreeList::FitStretchColumn() {
    if (!hwnd_ || stretchColumn_ < 0 || stretchColumn_ >= ColumnCount() || fitting_) return;
    fitting_ = true;
    // A new width may show or hide the horizontal bar, which resizes the
    // client area once more; the nested WM_SIZE is caught by the next round.
    for (int round = 0; round < 3; ++round) {
        RECT client;
        ::GetClientRect(hwnd_, &client);
        int current = ListView_GetColumnWidth(hwnd_, stretchColumn_);
        int width = std::max<int>(dpi_.Scale(stretchMinimum_),
                                  client.right - (ColumnsWidth() - current));
        if (width == current) break;
        ListView_SetColumnWidth(hwnd_, stretchColumn_, width);
    }
    fitting_ = false;
}

RECT UpdateTreeList::CellRect(int column, const RECT& rowRect) const {
    RECT cell = rowRect;
    int left = rowRect.left;
    for (int i = 0; i < column; ++i) left += ListView_GetColumnWidth(hwnd_, i);
    cell.left = left;
    cell.right = left + ListView_GetColumnWidth(hwnd_, column);
    return cell;
}

int UpdateTreeList::ColumnFormat(int column) const {
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT;
    if (!::SendMessageA(hwnd_, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info)))
        return LVCFMT_LEFT;
    return info.fmt & LVCFMT_JUSTIFYMASK;
}

RECT UpdateTreeList::CheckBoxRect(const TreeNode& node, const RECT& rowRect) const {
    RECT cell = CellRect(0, rowRect);
    int left = cell.left + dpi_.Scale(kIndent * node.level + kCheckBoxLeft);
    int size = dpi_.Scale(kCheckBoxSize);
    int top = (rowRect.top + rowRect.bottom - size) / 2;
    return RECT{left, top, left + size, top + size};
}

void UpdateTreeList::DrawCell(HDC dc, const TreeNode& node, int column, const RECT& cell) const {
    if (column < 0 || column >= static_cast<int>(node.cells.size())) return;
    const TreeCell& data = node.cells[static_cast<size_t>(column)];
    int x = cell.left;
    if (column == 0) {
        x += dpi_.Scale(kIndent * node.level);
        if (checkBoxes_) {
            RECT box = CheckBoxRect(node, cell);
            DrawCheckMark(dc, box, node.checked, checkedIcon_, uncheckedIcon_,
                          dpi_.Scale(kGlyphSize));
            x = box.right;
        }
    }
    int gap = dpi_.Scale(kGap);
    x += gap;
    int middle = (cell.top + cell.bottom) / 2;
    if (data.image >= 0 && images_) {
        int glyph = dpi_.Scale(kGlyphSize);
        ::ImageList_Draw(images_, data.image, dc, x, middle - glyph / 2, ILD_TRANSPARENT);
        x += glyph + gap;
    }
    if (data.text.empty()) return;
    RECT text = {x, cell.top, cell.right - gap, cell.bottom - dpi_.Scale(kTextBottomLift)};
    if (text.right <= text.left) return;
    UINT align = DT_LEFT;
    switch (ColumnFormat(column)) {
    case LVCFMT_CENTER: align = DT_CENTER; break;
    case LVCFMT_RIGHT: align = DT_RIGHT; break;
    default: break;
    }
    HFONT font = data.font >= 0 && data.font < static_cast<int>(fonts_.size())
                     ? fonts_[static_cast<size_t>(data.font)].Get()
                     : ListFont(hwnd_);
    HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, data.color);
    ::DrawTextA(dc, data.text.c_str(), static_cast<int>(data.text.size()), &text,
                align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (oldFont) ::SelectObject(dc, oldFont);
}

bool UpdateTreeList::HandleParentMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (!hwnd_) return false;
    switch (message) {
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_LISTVIEW ||
            measure->CtlID != static_cast<UINT>(::GetDlgCtrlID(hwnd_)))
            return false;
        measure->itemHeight = RowHeight();
        result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->hwndItem != hwnd_) return false;
        DrawItem(*item);
        result = TRUE;
        return true;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom != hwnd_) return false;
        if (header->code == LVN_GETDISPINFOA) {
            GetDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
            result = 0;
            return true;
        }
        if (header->code == LVN_ODFINDITEMA) {
            result = -1;
            return true;
        }
        return false;
    }
    default:
        return false;
    }
}

void UpdateTreeList::GetDisplayInfo(NMLVDISPINFOA& info) {
    const TreeNode* node = nodes_.NodeAt(info.item.iItem);
    if ((info.item.mask & LVIF_STATE) && checkBoxes_ && node &&
        (info.item.stateMask & LVIS_STATEIMAGEMASK)) {
        info.item.state = (info.item.state & ~LVIS_STATEIMAGEMASK) |
                          INDEXTOSTATEIMAGEMASK(node->checked ? 2 : 1);
    }
    if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
    displayText_ = GetText(node, info.item.iSubItem);
    ::lstrcpynA(info.item.pszText, displayText_.c_str(), info.item.cchTextMax);
}

void UpdateTreeList::DrawItem(const DRAWITEMSTRUCT& item) {
    int row = static_cast<int>(item.itemID);
    // Wine hands an item rectangle that starts a little right of the row's
    // bounds; the row is drawn over its whole bounds, in line with the header.
    RECT rect = item.rcItem;
    RECT bounds;
    if (ListView_GetItemRect(hwnd_, row, &bounds, LVIR_BOUNDS)) {
        rect.left = std::min(rect.left, bounds.left);
        rect.right = std::max(rect.right, bounds.right);
    }
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (!handler_ || width <= 0 || height <= 0 || !nodes_.NodeAt(row)) return;
    // Each row is composed in memory and copied at once: no flicker.
    win::Bitmap bitmap(::CreateCompatibleBitmap(item.hDC, width, height));
    HDC memory = ::CreateCompatibleDC(item.hDC);
    if (!bitmap || !memory) {
        if (memory) ::DeleteDC(memory);
        handler_->DrawRow(*this, item.hDC, row, rect, item.itemState);
        return;
    }
    HGDIOBJ oldBitmap = ::SelectObject(memory, bitmap.Get());
    ::SetViewportOrgEx(memory, -rect.left, -rect.top, nullptr);
    HFONT font = ListFont(hwnd_);
    HGDIOBJ oldFont = font ? ::SelectObject(memory, font) : nullptr;
    handler_->DrawRow(*this, memory, row, rect, item.itemState);
    if (oldFont) ::SelectObject(memory, oldFont);
    ::SetViewportOrgEx(memory, 0, 0, nullptr);
    ::BitBlt(item.hDC, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, oldBitmap);
    ::DeleteDC(memory);
}

int UpdateTreeList::RowAtPoint(POINT at, RECT* rowRect) const {
    int count = nodes_.RowCount();
    if (count == 0) return -1;
    int top = ListView_GetTopIndex(hwnd_);
    RECT first;
    if (!ListView_GetItemRect(hwnd_, top, &first, LVIR_BOUNDS)) return -1;
    int height = first.bottom - first.top;
    if (height <= 0 || at.y < first.top) return -1;
    int row = top + (at.y - first.top) / height;
    if (row >= count) return -1;
    if (rowRect) {
        *rowRect = first;
        ::OffsetRect(rowRect, 0, (row - top) * height);
    }
    return row;
}

bool UpdateTreeList::OnLeftButtonDown(POINT at) {
    RECT rowRect;
    int row = RowAtPoint(at, &rowRect);
    TreeNode* node = nodes_.NodeAt(row);
    if (!node) return false;
    if (at.x >= rowRect.left + ColumnsWidth()) {
        ::SetFocus(hwnd_);
        SelectRow(row);
        return true;
    }
    if (checkBoxes_) {
        RECT box = CheckBoxRect(*node, rowRect);
        if (::PtInRect(&box, at)) {
            ToggleCheck(*node);
            return true;
        }
        // The list would toggle its own state image here, which it places
        // without the row's indentation: a click there only selects.
        LVHITTESTINFO hit = {};
        hit.pt = at;
        if (ListView_SubItemHitTest(hwnd_, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) {
            ::SetFocus(hwnd_);
            SelectRow(row);
            return true;
        }
    }
    return false;
}

bool UpdateTreeList::OnDoubleClick(POINT at) {
    if (OnLeftButtonDown(at)) return true;
    RECT rowRect;
    int row = RowAtPoint(at, &rowRect);
    TreeNode* node = nodes_.NodeAt(row);
    if (!node) return false;
    if (handler_ && handler_->OnDoubleClick(*this, row, at)) return false;
    Expand(row, !node->expanded, true);
    return false;  // the list still tells its parent (NM_DBLCLK)
}

bool UpdateTreeList::OnKeyDown(WPARAM key) {
    int row = SelectedRow();
    TreeNode* node = nodes_.NodeAt(row);
    switch (key) {
    case VK_RIGHT:
        if (node) Expand(row, true, true);
        return true;
    case VK_LEFT:
        if (!node) return true;
        if (node->expanded)
            Expand(row, false, true);
        else if (node->parent)
            SelectRow(nodes_.RowOf(node->parent));
        return true;
    case VK_SPACE:
        if (!checkBoxes_) return false;
        if (node) ToggleCheck(*node);
        return true;
    case VK_RETURN: {
        NMHDR notice = {hwnd_, static_cast<UINT_PTR>(::GetDlgCtrlID(hwnd_)),
                        static_cast<UINT>(NM_RETURN)};
        ::SendMessageA(::GetParent(hwnd_), WM_NOTIFY, notice.idFrom,
                       reinterpret_cast<LPARAM>(&notice));
        return true;
    }
    default:
        return false;
    }
}

void UpdateTreeList::OnEraseBackground(HDC dc) {
    RECT client;
    ::GetClientRect(hwnd_, &client);
    int saved = ::SaveDC(dc);
    // The rows paint themselves completely; erasing under them would flicker.
    int count = nodes_.RowCount();
    if (count > 0) {
        int top = ListView_GetTopIndex(hwnd_);
        RECT first;
        if (ListView_GetItemRect(hwnd_, top, &first, LVIR_BOUNDS)) {
            int height = first.bottom - first.top;
            int bottom = first.top + (count - top) * height;
            ::ExcludeClipRect(dc, first.left, first.top, first.left + ColumnsWidth(),
                              std::min<int>(bottom, client.bottom));
        }
    }
    HWND header = ListView_GetHeader(hwnd_);
    RECT headerRect = {};
    if (header && ::IsWindowVisible(header)) ::GetWindowRect(header, &headerRect);
    client.top += headerRect.bottom - headerRect.top;
    if (handler_) handler_->FillEmptyArea(*this, dc, client);
    ::RestoreDC(dc, saved);
}

LRESULT UpdateTreeList::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    switch (message) {
    case WM_LBUTTONDOWN:
        handled = OnLeftButtonDown(at);
        return 0;
    case WM_LBUTTONDBLCLK:
        handled = OnDoubleClick(at);
        return 0;
    case WM_KEYDOWN:
        handled = OnKeyDown(wParam);
        return 0;
    case WM_GETDLGCODE: {
        // Enter opens the row (NM_RETURN to the parent), not the dialog's default.
        LRESULT code = ::DefSubclassProc(hwnd_, message, wParam, lParam);
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
        handled = true;
        return code;
    }
    case WM_MOUSEMOVE:
        if (handler_) handler_->OnMouseMove(*this, at);
        return 0;
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        handled = true;
        return 1;
    case WM_SIZE: {
        LRESULT result = ::DefSubclassProc(hwnd_, message, wParam, lParam);
        FitStretchColumn();
        handled = true;
        return result;
    }
    default:
        return 0;
    }
}

LRESULT CALLBACK UpdateTreeList::SubclassProc(HWND hwnd, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* list = reinterpret_cast<UpdateTreeList*>(self);
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &UpdateTreeList::SubclassProc, kSubclassId);
        list->hwnd_ = nullptr;
        return ::DefSubclassProc(hwnd, message, wParam, lParam);
    }
    bool handled = false;
    LRESULT result = list->OnMessage(message, wParam, lParam, handled);
    if (handled) return result;
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace zema
