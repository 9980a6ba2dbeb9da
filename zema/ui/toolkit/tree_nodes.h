#pragma once
// The tree behind an UpdateTreeList: nodes in child order, their cells, and
// the rows that are currently shown. No window code, so the row arithmetic
// of expanding and collapsing can be driven directly.

#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace zema {

struct TreeCell {
    int32_t key = 0;
    COLORREF color = RGB(0, 0, 0);
    int image = -1;  // none
    int font = -1;   // the list's own font
    std::string text;
};

struct TreeNode {
    LPARAM value = 0;  // the owner's: a record, a group identifier
    bool expanded = false;
    bool checked = false;
    bool shown = false;
    int level = 0;  // 0 for top-level rows
    TreeNode* parent = nullptr;  // null: a top-level row
    TreeNode* prev = nullptr;
    TreeNode* next = nullptr;
    TreeNode* firstChild = nullptr;
    TreeNode* lastChild = nullptr;
    std::vector<TreeCell> cells;
    int row = -1;  // valid while shown and the row index is fresh
};

class TreeNodes {
public:
    explicit TreeNodes(int columns = 1) : columns_(columns) {}
    TreeNodes(const TreeNodes&) = delete;
    TreeNodes& operator=(const TreeNodes&) = delete;

    void SetColumnCount(int columns) { columns_ = columns < 1 ? 1 : columns; }
    int ColumnCount() const { return columns_; }

    // Appends a last child of `parent` (null: a top-level row). It gets a
    // row at once when its parent is shown and expanded; `*row` tells where
    // (-1 when it got none).
    TreeNode* Insert(TreeNode* parent, const std::string& text, int* row = nullptr);
    void Clear();

    // Both return the number of rows added or removed right after the node's
    // own row; 0 when nothing changed.
    int Expand(TreeNode* node);
    int Collapse(TreeNode* node);

    TreeNode* FirstChild(const TreeNode* parent) const {
        return parent ? parent->firstChild : firstTop_;
    }
    // Row index, -1 for no node, -2 for a node without a row.
    int RowOf(const TreeNode* node) const;
    TreeNode* NodeAt(int row) const {
        return row >= 0 && row < static_cast<int>(rows_.size()) ? rows_[row] : nullptr;
    }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    bool HasChildren(const TreeNode* node) const { return node && node->firstChild; }

private:
    void AddShownDescendants(TreeNode* node, std::vector<TreeNode*>& out);
    int EndOfSubtree(int row) const;

    int columns_;
    std::deque<TreeNode> nodes_;  // stable addresses
    TreeNode* firstTop_ = nullptr;
    TreeNode* lastTop_ = nullptr;
    std::vector<TreeNode*> rows_;
    mutable bool rowIndexFresh_ = true;
};

}  // namespace zema
