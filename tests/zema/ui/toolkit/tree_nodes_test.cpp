#include "zema/ui/toolkit/tree_nodes.h"

#include <gtest/gtest.h>

namespace zema {
namespace {

std::vector<std::string> Rows(const TreeNodes& nodes) {
    std::vector<std::string> rows;
    for (int i = 0; i < nodes.RowCount(); ++i) rows.push_back(nodes.NodeAt(i)->cells[0].text);
    return rows;
}

TEST(TreeNodes, ChildrenOfACollapsedGroupGetRowsOnlyWhenItExpands) {
    TreeNodes nodes(3);
    TreeNode* a = nodes.Insert(nullptr, "a");
    TreeNode* b = nodes.Insert(nullptr, "b");
    int row = 0;
    nodes.Insert(a, "a1", &row);
    EXPECT_EQ(-1, row) << "a collapsed parent shows no child";
    nodes.Insert(a, "a2");
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Rows(nodes));
    EXPECT_EQ(3u, a->firstChild->cells.size());

    EXPECT_EQ(2, nodes.Expand(a));
    EXPECT_EQ((std::vector<std::string>{"a", "a1", "a2", "b"}), Rows(nodes));
    EXPECT_EQ(3, nodes.RowOf(b));
    nodes.Insert(a, "a3", &row);
    EXPECT_EQ(3, row) << "a new last child goes right after its siblings";
    EXPECT_EQ((std::vector<std::string>{"a", "a1", "a2", "a3", "b"}), Rows(nodes));
    EXPECT_EQ(0, nodes.Expand(b)) << "nothing to expand";
    EXPECT_EQ(0, nodes.Expand(a)) << "already expanded";
}

TEST(TreeNodes, CollapsingKeepsTheExpandedFlagsOfDescendants) {
    TreeNodes nodes;
    TreeNode* group = nodes.Insert(nullptr, "g");
    TreeNode* child = nodes.Insert(group, "c");
    nodes.Insert(child, "gc1");
    nodes.Insert(child, "gc2");
    nodes.Insert(nullptr, "next");
    nodes.Expand(child);  // expanded while hidden: no rows yet
    EXPECT_EQ(2, nodes.RowCount());
    EXPECT_EQ(3, nodes.Expand(group));
    EXPECT_EQ((std::vector<std::string>{"g", "c", "gc1", "gc2", "next"}), Rows(nodes));

    EXPECT_EQ(3, nodes.Collapse(group));
    EXPECT_EQ((std::vector<std::string>{"g", "next"}), Rows(nodes));
    EXPECT_EQ(-2, nodes.RowOf(child->firstChild));
    EXPECT_TRUE(child->expanded);
    nodes.Expand(group);
    EXPECT_EQ((std::vector<std::string>{"g", "c", "gc1", "gc2", "next"}), Rows(nodes));
    EXPECT_EQ(4, nodes.RowOf(group->next));
    EXPECT_EQ(-1, nodes.RowOf(nullptr));
}

}  // namespace
}  // namespace zema
