#pragma once
// The upgrade of a unit from a version-controlled package (".fw2") or a
// firmware file (".fw"): which part fits which board, sending the parts with
// their retries and the reboot, writing board information, and the run's
// result with its words. The page is a thin view over it: log lines, gauge
// moves and tree marks leave through signals, status texts through the
// application context, questions through its prompt service.
//
// A run holds one operation on the link from start to end. Closing the
// window ends it at the next check, and such a run never reports success.

#include "boardinfo/BoardInfoTree.h"
#include "firmware/FirmwarePartHeader.h"
#include "protocol/BoardInfoFields.h"
#include "protocol/BootCodeInfo.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class AppContext;
class BoardInfoTransfer;
class UpgradeTree;
struct BoardInfoResult;
struct TReplyRecord;
struct Frame;

// One part ready to be sent: its header (slot and Ver1 set, sealed) and the
// plain image.
struct PreparedPart {
    FirmwarePartHeader Header;
    QByteArray Image;
};

// Which package item fits which board, for the board-information writing.
struct BoardInfoWorkEntry {
    bool BootCodeRead = false; // the board's boot-code information was read
    int Item = 0;              // package item, from 1
    int SubIndex = 0;          // the board's sub index
    int NodeIndex = 0;         // absolute index of its node in the upgrade tree
};

class PackageUpgrade : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        NotRun,    // refused (another operation holds the link, or closing)
        Succeeded, // the success texts were shown
        Failed,    // a failure text was shown
        Stopped,   // the window is closing: the run ended unfinished
    };

    PackageUpgrade(AppContext *ctx, UpgradeTree *tree, QObject *parent = nullptr);

    // The opened file (kept in memory for the runs) and its kind.
    void SetFile(const QByteArray &bytes, bool isPackage);
    const QByteArray &File() const { return FFile; }
    bool IsPackage() const { return FIsPackage; }

    // "Board Info Only": nothing is sent, only board information written.
    bool BoardInfoOnly = true;
    // "Force": a board's own board information is never trusted to pick its
    // part; every board takes its kind's default firmware.
    bool Force = true;

    // Opens a ".fw2" package or a ".fw" file (told apart by the suffix, as
    // the open dialog offers them): the tree is built from it and the bytes
    // kept for the runs. A file that cannot be read gives an empty tree;
    // false, and `error` says why.
    bool OpenFile(const QString &path, QString *error = nullptr);
    // Before a run: "No item selected." when nothing is checked, and over
    // the LAN the question whether to go on. False: the run does not start.
    bool ConfirmStart();
    static const QString LanQuestion;

    // Prepares, sends, writes board information and reports; ConfirmStart
    // has already asked its questions.
    Outcome RunUpgrade();

    bool PreparePackageParts();
    bool PrepareFileParts();
    bool SendPreparedParts();
    bool NeedsBoardInfoWrite() const;
    bool WriteBoardInfo();

    const QList<PreparedPart> &Prepared() const { return FPrepared; }
    const QList<BoardInfoWorkEntry> &WorkList() const { return FWorkList; }
    QString PrepareProblemText() const { return FProblemText; }
    // Cleared when the link could not be (re)opened during the run.
    bool UpgradeLinkOK() const { return FLinkOK; }

    // "Part_" + class + "." + kind [+ "." + slot] + " ver" + major + "." + minor.
    static QString PartName(const FirmwarePartHeader &header);

    BoardInfoTransfer *Transfer() const { return FTransfer; }

signals:
    // A line for the upgrade memo.
    void upgradeLog(const QString &line);
    // The gauge: a new caption (unchanged when null) and position.
    void gaugeChanged(const QString &caption, int position);
    // Mark the node of a failed part: board number and sub index.
    void treeMark(const QString &text, int partId, int subId);

private:
    // Steps inside the run's operation (no operation of their own).
    bool ensureLink();
    bool command(const QString &caption, const Frame &request, TReplyRecord &reply);
    BootCodeInfo ReadBootCodeInfo(uint8_t pcbType, uint8_t subIndex);
    bool ResetAllSlaveMCU(bool beforeUpgrade);
    QByteArray getBoardInfo(const BoardInfoFields &fields, BoardInfoResult &result);
    void sendBoardInfo(const BoardInfoFields &fields, const QByteArray &block,
                       BoardInfoResult &result);
    void gauge(const QString &caption, int position);
    void log(const QString &line) { emit upgradeLog(line); }
    QString problemDump(const BoardInfoTreeNode *node, const BootCodeInfo &bc, bool infoValid,
                        bool infoRead, const BoardInfoFields &fields, const QString &specialCode);

    AppContext *FCtx;
    UpgradeTree *FTree;
    BoardInfoTransfer *FTransfer;
    QByteArray FFile;
    bool FIsPackage = false;
    QList<PreparedPart> FPrepared;
    QList<BoardInfoWorkEntry> FWorkList;
    QString FProblemText;
    bool FLinkOK = true;
};
