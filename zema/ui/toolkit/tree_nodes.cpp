#include "zema/ui/toolkit/tree_nodes.h"

namespace zema {

TreeNode* TreeNodes::Insert(TreeNode* parent, const std::string& text, int* row) {
    nodes_.emplace_back();
    TreeNode* node = &nodes_.back();
    node->parent = parent;
    node->level = parent ? parent->level + 1 : 0;
    node->cells.resize(static_cast<size_t>(columns_));
    node->cells[0].text = text;
    TreeNode*& first = parent ? parent->firstChild : firstTop_;
    TreeNode*& last = parent ? parent->lastChild : lastTop_;
    node->prev = last;
    if (last)
        last->next = node;
    else
        first = node;
    last = node;

    int at = -1;
    if (!parent) {
        at = RowCount();
    } else if (parent->shown && parent->expanded) {
        at = EndOfSubtree(RowOf(parent));
    }
    if (at >= 0) {
        node->shown = true;
        if (at == RowCount()) {
            node->row = at;
            rows_.push_back(node);
        } else {
            rows_.insert(rows_.begin() + at, node);
            rowIndexFresh_ = false;
        }
    }
    if (row) *row = at;
    return node;
}

void TreeNodes::Clear() {
    rows_.clear();
    nodes_.clear();
    firstTop_ = lastTop_ = nullptr;
    rowIndexFresh_ = true;
}

// The row after the last shown descendant of the row's node.
int TreeNodes::EndOfSubtree(int row) const {
    int level = rows_[static_cast<size_t>(row)]->level;
    int end = row + 1;
    while (end < RowCount() && rows_[static_cast<size_t>(end)]->level > level) ++end;
    return end;
}

void TreeNodes::AddShownDescendants(TreeNode* node, std::vector<TreeNode*>& out) {
    for (TreeNode* child = node->firstChild; child; child = child->next) {
        child->shown = true;
        out.push_back(child);
        if (child->expanded) AddShownDescendants(child, out);
    }
}

int TreeNodes::Expand(TreeNode* node) {
    if (!node || !node->firstChild || node->expanded) return 0;
    node->expanded = true;
    if (!node->shown) return 0;
    std::vector<TreeNode*> added;
    AddShownDescendants(node, added);
    int row = RowOf(node);
    rows_.insert(rows_.begin() + row + 1, added.begin(), added.end());
    rowIndexFresh_ = false;
    return static_cast<int>(added.size());
}

int TreeNodes::Collapse(TreeNode* node) {
    if (!node || !node->expanded) return 0;
    node->expanded = false;
    if (!node->shown) return 0;
    int row = RowOf(node);
    int end = EndOfSubtree(row);
    for (int i = row + 1; i < end; ++i) {
        rows_[static_cast<size_t>(i)]->shown = false;
        rows_[static_cast<size_t>(i)]->row = -1;
    }
    rows_.erase(rows_.begin() + row + 1, rows_.begin() + end);
    rowIndexFresh_ = false;
    return end - row - 1;
}

int TreeNodes::RowOf(const TreeNode* node) const {
    if (!node) return -1;
    if (!node->shown) return -2;
    if (!rowIndexFresh_) {
        for (size_t i = 0; i < rows_.size(); ++i) rows_[i]->row = static_cast<int>(i);
        rowIndexFresh_ = true;
    }
    return node->row;
}

}  // namespace zema
