#include "boardinfo/BoardInfoTreeNode.h"

int BoardInfoTreeNode::Level() const {
    int level = 0;
    for (const BoardInfoTreeNode *p = FParent; p; p = p->FParent)
        ++level;
    return level;
}

int BoardInfoTreeNode::Row() const {
    if (!FParent)
        return -1;
    for (int i = 0; i < FParent->ChildCount(); ++i)
        if (FParent->Child(i) == this)
            return i;
    return -1;
}
