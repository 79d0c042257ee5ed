#pragma once
// Builds a firmware file (".fw") from the raw images of the matrix's MCUs:
// one image each for the main MCU, the slave, the IR matrix, the front panel
// and the IDIR MCU, and one image for all input cards and one for all output
// cards, each repeated for card slots 1..8. Each image is enciphered on its
// own behind its part header. The file name is built from the product name,
// the merged rows, their versions and an optional date stamp.
//
// No widgets: the merge page hands in its edits' texts and shows what comes
// back (the parsed versions and trimmed texts to write back into the edits,
// the log lines); it picks the folder, asks before overwriting and saves.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// The rows of the merge page, in merge order.
enum class MergeRowKind {
    Main = 0,
    Slave = 1,
    IrMatrix = 2,
    FrontPanel = 3,
    Idir = 4,
    InputCard = 5,
    OutputCard = 6,
};
constexpr int MergeRowCount = 7;
// Card rows are written once per card slot.
constexpr int MergeCardSlots = 8;
// Larger source files are refused (part images of the matrix are far smaller).
constexpr qint64 MaxMergeImageSize = 16 * 1024 * 1024;

// What the page's edits hold for one row.
struct MergeRow {
    QString FilePath; // the row's image file (trimmed by the merge); empty: row left out
    QString Ver1Text; // major version as typed
    QString Ver2Text; // minor version as typed
    QString PcbText;  // "MCU&,PCB" text for the file name (trimmed by the merge)
};

// A version text read as a byte.
struct ParsedVersion {
    uint8_t Value = 0;
    bool Ok = true;
};

// Empty → 0; only the first 3 characters count; a decimal number, 256 and
// above give 255; anything else gives 0 and failure.
ParsedVersion ParseVersionText(const QString &text);

// What became of one row.
struct MergeRowResult {
    QString FilePath; // trimmed, to write back into the file edit
    QString PcbText;  // trimmed, to write back into the "MCU&,PCB" edit
    ParsedVersion Ver1;
    ParsedVersion Ver2;
    bool Merged = false; // the row's image went into the file
};

struct MergeResult {
    QByteArray Bytes; // the firmware file; empty when no row was merged
    // The file name without folder, upper-cased, e.g. "PM MAIN(A)1.05.FW";
    // empty when no row was merged (nothing is to be saved).
    QString FileName;
    // The folder of the first row file that exists (the page remembers it as
    // the last firmware folder when it has none yet); empty when none exists.
    QString FirstSourceFolder;
    QStringList Log; // the merge's log lines, in order
    std::array<MergeRowResult, MergeRowCount> Rows;

    bool Empty() const { return FileName.isEmpty(); }
};

class FirmwareMerge {
public:
    // Merges the rows in order. `productName` empty gives "MergedFW";
    // `dateStamp` empty leaves the stamp out of the name.
    static MergeResult Merge(const std::array<MergeRow, MergeRowCount> &rows,
                             const QString &productName, const QString &dateStamp);

    // The part header of each row: class, MCU kind (the slot comes from the
    // card number for card rows, 0 otherwise).
    static uint8_t RowPartClass(MergeRowKind row);
    static uint16_t RowMcuKind(MergeRowKind row);
    static bool IsCardRow(MergeRowKind row);
    // " main", " slave" ... as they appear in the file name.
    static QString RowNameWord(MergeRowKind row);
    // "Main MCU", "Slave MCU" ... as they appear in the log.
    static QString RowLogName(MergeRowKind row);

    // Folder (with or without a trailing separator) + file name.
    static QString JoinPath(const QString &folder, const QString &fileName);

    // Writes `bytes` to a temporary file beside `path` and renames it over
    // `path`. False with the reason in *error when it cannot.
    static bool SaveFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

    // The version as the log and the file name show it: "1.05".
    static QString VersionText(uint8_t ver1, uint8_t ver2);
};
