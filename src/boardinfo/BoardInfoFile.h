#pragma once
// Board-information files (".bif"): for every node of a tree in depth-first
// order its record, 17 17 17 17, its header, 18 18 18 18, its block and
// 19 19 19 19. Nothing before the first entry or after the last.

#include <QByteArray>
#include <QString>

class BoardInfoTree;

enum class BoardInfoFileResult {
    Ok,
    Empty,      // saving: the tree has no nodes, nothing was written
    ReadError,  // the file could not be read
    WriteError, // the file could not be written; any old file is unchanged
    Malformed,  // loading stopped at an entry that does not fit or makes no sense
};

// The file image of the tree (empty for an empty tree).
QByteArray BoardInfoFileBytes(const BoardInfoTree &tree);
// Writes the file image in one step (a temporary file renamed over `path`).
BoardInfoFileResult SaveBoardInfoFile(const BoardInfoTree &tree, const QString &path);

// Adds the nodes of a file image to the tree, each placed by its level
// relative to the node added before it (or the selected node), then selects
// the first node. Entries before a malformed one stay in the tree.
BoardInfoFileResult ReadBoardInfoFileBytes(BoardInfoTree &tree, const QByteArray &bytes);
BoardInfoFileResult LoadBoardInfoFile(BoardInfoTree &tree, const QString &path);
