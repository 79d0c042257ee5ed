#pragma once
// The upgrade from a single firmware file (".fw") without version control:
// which parts a file offers, the parts the user picked collected in the fixed
// sending order (main; input cards 1..8; output cards 1..8; front panel; IR
// matrix; slave; IDIR — whatever order the file stores them in), sending them
// with six tries per part, the reboot, and the run's result with its words.
//
// The Firmware Upgrade page is a thin view over it: log lines, gauge moves
// and box marks leave through signals, status texts through the application
// context, warnings and questions through its prompt service. A run holds
// one operation on the link from start to end; closing the window ends it at
// the next check, and such a run never reports success.

#include "firmware/FirmwareFile.h"
#include "firmware/FirmwarePartHeader.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

class AppContext;

// The page's part boxes in sending order: main; input cards 1..8; output
// cards 1..8; front panel; IR matrix; slave; IDIR.
namespace FileBox {
constexpr int Main = 0;
constexpr int Input1 = 1;  // .. Input1 + 7
constexpr int Output1 = 9; // .. Output1 + 7
constexpr int FrontPanel = 17;
constexpr int IrMatrix = 18;
constexpr int Slave = 19;
constexpr int Idir = 20;
constexpr int Count = 21;
constexpr int CardSlots = 8;
} // namespace FileBox

// One flag per box (FileBox indexes).
using FileBoxSet = std::array<bool, FileBox::Count>;

// What a firmware file offers the page.
struct FileUpgradeContents {
    FileBoxSet Present{}; // boxes with a part in the file
    QStringList Unusable; // log lines for parts no box can take
    bool Invalid = false; // the walk met a bad header or a part past the end
    bool Usable() const;  // at least one box has a part and the file is whole
};

class FileUpgrade : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        NotRun,    // stopped before anything was sent (a warning, a No, busy, closing)
        Succeeded, // every part written and the unit rebooted: the success texts were shown
        Failed,    // a failure text was shown
        Stopped,   // the window is closing: the run ended unfinished
    };

    explicit FileUpgrade(AppContext *ctx, QObject *parent = nullptr);

    // The box a part header belongs to, or -1 when no box can take it (a
    // class other than 1 and 2, a sub kind outside 1..6, a card slot outside 1..8).
    static int BoxOf(const FirmwarePartHeader &header);
    // What FindPart is asked for a box.
    static void LookupOf(int box, uint8_t &partClass, uint16_t &mcuKind, int &slot);
    // Walks the file: boxes to enable, unusable parts, whether it is whole.
    static FileUpgradeContents ReadContents(const QByteArray &file);
    // The picked parts in sending order, header and deciphered image each;
    // false at the first picked box the file has no part for.
    static bool CollectParts(const QByteArray &file, const FileBoxSet &picked,
                             QList<FoundPart> &parts, QList<int> &boxes);

    // "Part_" + class + "." + kind [+ "." + slot for card kinds] + " ver" +
    // Ver1 + "." + Ver2, in decimal.
    static QString PartName(const FirmwarePartHeader &header);

    // Checks the file and the pick, asks in LAN mode, then sends the picked
    // parts of the file at `path` and reboots the unit.
    Outcome UpgradeFromFile(const QString &path, const FileBoxSet &picked);

    // Parts given up in the last run (their names).
    const QStringList &NotWritten() const { return FNotWritten; }
    // Whether the last run sent "Reboot system ...".
    bool RebootSent() const { return FRebootSent; }

    static const QString InvalidFileText;

signals:
    // The run starts sending (true) or has ended (false): the page locks and
    // unlocks its controls. Only emitted once the operation holds the link.
    void running(bool on);
    // A line for the page's memo.
    void upgradeLog(const QString &line);
    // The gauge: a new caption and position.
    void gaugeChanged(const QString &caption, int position);
    // A box's part failed (red) or was written (normal colour again).
    void boxMarked(int box, bool failed);

private:
    Outcome run(const QByteArray &file, const FileBoxSet &picked);
    void log(const QString &line) { emit upgradeLog(line); }

    AppContext *FCtx;
    QStringList FNotWritten;
    bool FRebootSent = false;
};
