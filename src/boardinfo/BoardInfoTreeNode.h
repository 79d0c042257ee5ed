#pragma once
// One node of a board-information tree: its text, its check box, its
// BoardInfoNode and its children. Owned by its parent node or by the tree.

#include "boardinfo/BoardInfoNode.h"

#include <QString>
#include <memory>
#include <vector>

class BoardInfoTreeNode {
public:
    BoardInfoTreeNode() = default;
    BoardInfoTreeNode(const BoardInfoTreeNode &) = delete;
    BoardInfoTreeNode &operator=(const BoardInfoTreeNode &) = delete;

    BoardInfoNode Data;
    QString Text; // the caption a view shows
    bool Checked = false;

    BoardInfoTreeNode *Parent() const { return FParent; }
    // 0 for a top-level node.
    int Level() const;
    int ChildCount() const { return int(FChildren.size()); }
    BoardInfoTreeNode *Child(int i) const { return FChildren.at(std::size_t(i)).get(); }
    // Position among the siblings.
    int Row() const;

private:
    friend class BoardInfoTree;
    BoardInfoTreeNode *FParent = nullptr;
    std::vector<std::unique_ptr<BoardInfoTreeNode>> FChildren;
};
