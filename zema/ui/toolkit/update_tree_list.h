#pragma once
// A report list view turned into a tree: group rows that expand and
// collapse, per-cell text, colour, image, font and key, and optional check
// boxes. The list view is virtual (owner data) and owner-drawn: it holds
// only the count of the rows currently shown, the rows live in TreeNodes,
// and the owner's row handler paints them. The parent forwards
// WM_DRAWITEM, WM_MEASUREITEM and WM_NOTIFY through HandleParentMessage.

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "win/dpi.h"
#include "win/unique_handle.h"
#include "zema/ui/toolkit/tree_nodes.h"

namespace zema {

class UpdateTreeList;

class TreeRowHandler {
public:
    static constexpr int kRowHeight = 23;
    virtual ~TreeRowHandler() = default;
    virtual int RowHeight() const { return kRowHeight; }
    // `rect` is the row in the target DC's coordinates.
    virtual void DrawRow(UpdateTreeList& list, HDC dc, int row, const RECT& rect,
                         UINT itemState) = 0;
    // The area under the last row and beside the columns.
    virtual void FillEmptyArea(UpdateTreeList& list, HDC dc, const RECT& area);
    virtual bool MayExpand(TreeNode& /*node*/, bool /*expand*/) { return true; }
    virtual void OnExpandChanged(UpdateTreeList& /*list*/, TreeNode& /*node*/) {}
    virtual void OnCheckChanged(UpdateTreeList& /*list*/, TreeNode& /*node*/, bool /*checked*/) {}
    // True claims a double-click, which then toggles no expansion.
    virtual bool OnDoubleClick(UpdateTreeList& /*list*/, int /*row*/, POINT /*at*/) { return false; }
    virtual void OnMouseMove(UpdateTreeList& /*list*/, POINT /*at*/) {}
};

class UpdateTreeList {
public:
    // Measures at 96 DPI (the row height too); the list draws them at dpi().
    static constexpr int kIndent = 20;
    static constexpr int kCheckBoxLeft = 6;
    static constexpr int kCheckBoxSize = 14;
    static constexpr int kGlyphSize = 16;
    static constexpr int kGap = 6;

    UpdateTreeList() = default;
    ~UpdateTreeList();
    UpdateTreeList(const UpdateTreeList&) = delete;
    UpdateTreeList& operator=(const UpdateTreeList&) = delete;

    // The list view must have been created with LVS_OWNERDATA.
    bool Attach(HWND listView, bool checkBoxes);
    HWND hwnd() const { return hwnd_; }
    bool HasCheckBoxes() const { return checkBoxes_; }

    void SetRowHandler(std::unique_ptr<TreeRowHandler> handler);
    void SetFonts(std::vector<HFONT> fonts);
    // Not owned: images of the cells, and the check glyphs.
    void SetImageList(HIMAGELIST images) { images_ = images; }
    void SetCheckIcons(HICON checked, HICON unchecked);
    // The scale the list is drawn at (its dialog's when attached); a change
    // rescales the column widths and the row height.
    win::Dpi dpi() const { return dpi_; }
    void SetDpi(win::Dpi dpi);

    // Column 0 of each inserted row gets `text`; cells as many as columns.
    // `width` is at 96 DPI.
    int InsertColumn(int index, const std::string& text, int format, int width);
    int ColumnCount() const { return nodes_.ColumnCount(); }
    // `column` takes the width the others leave (at least `minimum`), refitted
    // whenever the client area changes, as when a scroll bar comes or goes, so
    // that the columns fill the list without a horizontal scroll bar.
    void SetStretchColumn(int column, int minimum);

    TreeNode* InsertRow(TreeNode* parent, const std::string& text);
    void DeleteAllRows();
    // For builders that fill Nodes() directly: shows the rows afterwards.
    TreeNodes& Nodes() { return nodes_; }
    const TreeNodes& Nodes() const { return nodes_; }
    void RowsRebuilt();

    void SetText(TreeNode* node, int column, const std::string& text);
    std::string GetText(const TreeNode* node, int column) const;
    // Returns the previous flag; 0 and no change without check boxes.
    bool SetCheck(TreeNode* node, bool checked);
    bool GetCheck(const TreeNode* node) const { return node && node->checked; }

    TreeNode* NodeAt(int row) const { return nodes_.NodeAt(row); }
    int RowOf(const TreeNode* node) const { return nodes_.RowOf(node); }
    int RowCount() const { return nodes_.RowCount(); }
    void Expand(int row, bool expand, bool redraw);
    int SelectedRow() const;
    void SelectRow(int row);

    // Repaints the node's row alone (nothing when it has no row).
    void RedrawNode(const TreeNode* node);
    // Repaints the rows of the node's shown descendants.
    void RedrawChildren(const TreeNode& node);
    // Draws one cell by the shared rules: indentation, check box, image,
    // text in the header's alignment. `cell` is in the DC's coordinates.
    void DrawCell(HDC dc, const TreeNode& node, int column, const RECT& cell) const;
    // The cell rectangles of a row drawn at `rowRect`.
    RECT CellRect(int column, const RECT& rowRect) const;
    int ColumnFormat(int column) const;
    // The check box of a row drawn at `rowRect`.
    RECT CheckBoxRect(const TreeNode& node, const RECT& rowRect) const;

    // WM_DRAWITEM, WM_MEASUREITEM and WM_NOTIFY that concern this list.
    bool HandleParentMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    bool OnLeftButtonDown(POINT at);
    bool OnDoubleClick(POINT at);
    bool OnKeyDown(WPARAM key);
    void OnEraseBackground(HDC dc);
    void DrawItem(const DRAWITEMSTRUCT& item);
    void GetDisplayInfo(NMLVDISPINFOA& info);
    int RowAtPoint(POINT at, RECT* rowRect) const;
    int ColumnsWidth() const;
    void FitStretchColumn();
    void ToggleCheck(TreeNode& node);
    void ClearSelection();
    void RowCountChanged(int fromRow, const TreeNode* keepSelected, bool redraw);
    int RowHeight() const;

    HWND hwnd_ = nullptr;
    win::Dpi dpi_;
    bool checkBoxes_ = false;
    TreeNodes nodes_;
    std::unique_ptr<TreeRowHandler> handler_;
    std::vector<win::Font> fonts_;
    HIMAGELIST images_ = nullptr;  // the owner's
    win::ImageList spacer_;        // gives the rows their height
    HICON checkedIcon_ = nullptr;
    HICON uncheckedIcon_ = nullptr;
    std::string displayText_;  // answers LVN_GETDISPINFO
    int stretchColumn_ = -1;
    int stretchMinimum_ = 0;
    bool fitting_ = false;
};

}  // namespace zema
