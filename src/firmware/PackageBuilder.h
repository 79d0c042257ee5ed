#pragma once
// Builds a version-controlled firmware package (".fw2") from a
// board-information tree: boards at level 0, MCU groups at level 1, firmware
// items at level 2. Every checked firmware item of a checked board becomes one
// package item; afterwards the main board's item receives a block listing
// every checked board.
//
// No widgets: the page hands in its tree and shows what comes back (the
// message, the node to select, the log lines); it asks before overwriting and
// saves with SavePackageFile.

#include "boardinfo/BoardInfoNode.h"

#include <QByteArray>
#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

class BoardInfoTree;
class BoardInfoTreeNode;

// Firmware files larger than this are refused (part images are far smaller,
// and the part header holds the length in 32 bits).
constexpr qint64 MaxPackageImageSize = 16 * 1024 * 1024;

// The outcome of ValidatePackageTree.
struct PackageTreeCheck {
    bool Ok = false;
    // The message box text; empty for an empty tree (refused silently).
    QString Message;
    // The node to select and show (null when the failure has no node).
    BoardInfoTreeNode *Node = nullptr;
    // The firmware file edit is to get the focus.
    bool FocusFileName = false;
};

// Stops at the first failure: an empty tree; more than one main board; nothing
// checked; an incomplete node (tree order); a checked board whose checked
// items set Default Firmware more than once; a firmware item, checked or not,
// whose firmware file does not exist.
PackageTreeCheck ValidatePackageTree(const BoardInfoTree &tree);

// "Board -> Group -> Item": the names of the node and the nodes above it.
QString PackageNodePath(const BoardInfoTreeNode &node);

// One package item for the firmware item `node` with the plain image `image`.
// The node first takes its board's PCB type and quantity and its group's MCU
// type. The part header says class 1, kind 1 for a main board (PCB type 0),
// otherwise class 2 with the PCB type as the kind; slot 0; the record's
// versions; the image length.
QByteArray WritePackageItem(const BoardInfoTree &tree, BoardInfoTreeNode &node,
                            const QByteArray &image);

// The package with the first main-board item's block replaced by one that
// lists every checked board of `tree` in tree order (PCB type, quantity,
// name), followed by that item's special-code entry; its header's block length
// follows. Every other item stays byte for byte. A package without a main
// item is returned unchanged. False (package unchanged) when the package does
// not walk cleanly or the new block would not fit its 16-bit length.
bool FinishPackage(QByteArray &package, const BoardInfoTree &tree);

// "Input FW_AZ_2.17": item name, "_", version-from and version-to letters,
// "_", the version. Characters that would make a path of it ("/", "\", "..",
// control characters) are replaced by "_".
QString PackageNamePiece(const BoardInfoNode &item);
// The date in the locale's short form with every "/" (and anything else that
// cannot stand in a file name) replaced by "-".
QString PackageDateStamp(const QDate &date, const QLocale &locale = QLocale::system());
// Replaces path separators, "..", and control characters by "_".
QString SafeFileNamePart(const QString &text);

struct PackageBuild {
    PackageTreeCheck Check; // the validation; nothing else is filled when it failed
    QByteArray Bytes;       // the finished package; empty when nothing was merged
    QStringList Pieces;     // one name piece per merged item, in order
    // The file name: every piece followed by " ", the date stamp and ".fw2".
    // Cut (pieces first) so that it stays within a file name's 255 bytes.
    QString FileName;
    QStringList Log; // "Firmware part: [piece] merged" per item
    // The message box text when nothing could be built after validation
    // ("No firmware merged, please check.", a firmware file that cannot be
    // read, or a board list too long for the main board's block); empty
    // otherwise.
    QString Message;

    bool Built() const { return Check.Ok && !Bytes.isEmpty(); }
};

// Validates, writes an item for every checked firmware item of a checked
// board in tree order, and finishes the package. `dateStamp` goes into the
// file name as it is (see PackageDateStamp).
PackageBuild BuildPackage(BoardInfoTree &tree, const QString &dateStamp);

// `folder` + `fileName`, where the file name is reduced to its last path
// component, so the result always lies directly in `folder`.
QString PackagePath(const QString &folder, const QString &fileName);

// Writes through a temporary file renamed over `path`; an old file stays
// untouched when writing fails. False with the reason in *error.
bool SavePackageFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);
