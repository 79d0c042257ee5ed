#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoFile.h"
#include "boardinfo/BoardInfoTree.h"
#include "boardinfo/BoardInfoTreeNode.h"

// Input: a ".bif" file. It is read into a tree; the tree's own file image read
// into a new tree must give that same image again.
int FuzzBoardInfoFile(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    BoardInfoTree tree;
    const BoardInfoFileResult result = ReadBoardInfoFileBytes(tree, bytes);
    FUZZ_CHECK(result == BoardInfoFileResult::Ok || result == BoardInfoFileResult::Malformed);
    if (bytes.isEmpty())
        FUZZ_CHECK(result == BoardInfoFileResult::Ok && tree.IsEmpty());
    FUZZ_CHECK(tree.IsEmpty() == (tree.Selected() == nullptr));
    for (BoardInfoTreeNode *node : tree.Nodes()) {
        FUZZ_CHECK(node->Level() >= 0 && node->Level() <= 2);
        (void)BuildBoardInfo(tree, *node);
    }
    (void)CountMainBoards(tree);

    const QByteArray image = BoardInfoFileBytes(tree);
    FUZZ_CHECK(image.isEmpty() == tree.IsEmpty());
    BoardInfoTree again;
    FUZZ_CHECK(ReadBoardInfoFileBytes(again, image) == BoardInfoFileResult::Ok);
    FUZZ_CHECK(again.Count() == tree.Count());
    FUZZ_CHECK(BoardInfoFileBytes(again) == image);

    // A file read below a selected node adds to the tree.
    BoardInfoTree extended;
    BoardInfoTreeNode *top = extended.AddTop();
    extended.Select(top);
    (void)ReadBoardInfoFileBytes(extended, bytes);
    FUZZ_CHECK(extended.Count() >= 1);
    return 0;
}
