#include "boardinfo/BoardInfoTree.h"

#include <algorithm>
#include <functional>

BoardInfoTreeNode *BoardInfoTree::AddTop() {
    FTop.push_back(std::make_unique<BoardInfoTreeNode>());
    return FTop.back().get();
}

BoardInfoTreeNode *BoardInfoTree::AddChild(BoardInfoTreeNode *parent) {
    if (!parent)
        return AddTop();
    auto child = std::make_unique<BoardInfoTreeNode>();
    child->FParent = parent;
    parent->FChildren.push_back(std::move(child));
    return parent->FChildren.back().get();
}

BoardInfoTreeNode *BoardInfoTree::AddSibling(BoardInfoTreeNode *node) {
    return node && node->Parent() ? AddChild(node->Parent()) : AddTop();
}

void BoardInfoTree::Remove(BoardInfoTreeNode *node) {
    if (!node)
        return;
    for (BoardInfoTreeNode *s = FSelected; s; s = s->Parent())
        if (s == node)
            FSelected = nullptr;
    auto &list = node->Parent() ? node->Parent()->FChildren : FTop;
    list.erase(std::remove_if(
                   list.begin(), list.end(),
                   [node](const std::unique_ptr<BoardInfoTreeNode> &p) { return p.get() == node; }),
               list.end());
}

void BoardInfoTree::Clear() {
    FSelected = nullptr;
    FTop.clear();
}

QList<BoardInfoTreeNode *> BoardInfoTree::Nodes() const {
    QList<BoardInfoTreeNode *> out;
    std::function<void(BoardInfoTreeNode *)> visit = [&](BoardInfoTreeNode *n) {
        out.append(n);
        for (int i = 0; i < n->ChildCount(); ++i)
            visit(n->Child(i));
    };
    for (const auto &top : FTop)
        visit(top.get());
    return out;
}

int BoardInfoTree::AbsoluteIndex(const BoardInfoTreeNode *node) const {
    return int(Nodes().indexOf(const_cast<BoardInfoTreeNode *>(node)));
}

BoardInfoTreeNode *BoardInfoTree::NodeAt(int absoluteIndex) const {
    const QList<BoardInfoTreeNode *> nodes = Nodes();
    return absoluteIndex >= 0 && absoluteIndex < nodes.size() ? nodes.at(absoluteIndex) : nullptr;
}
