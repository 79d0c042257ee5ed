#pragma once
// The "EDID Management" page: reads the EDID of an output or a user memory
// into a hex grid, saves it to and opens it from a file, downloads the grid's
// bytes to inputs or user memories, sets built-in EDID modes, copies an
// output's EDID to inputs and chooses per output which sink supplies the EDID.
// Beside the grid a decoded, human-readable view of the same bytes, and a
// comparison of them with an EDID file.

#include "protocol/Frames.h"

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <cstdint>

class AppContext;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTreeWidget;

// What the settings file keeps of this page: the texts of the six combos and
// the two path edits.
struct SettingsData;

struct EdidChoices {
    QString mode;          // cbEDIDMode
    QString modeInput;     // cbSetEDIDModeInput
    QString copyOutput;    // cbCopyEDIDOutput
    QString copyInput;     // cbCopyEDIDInput
    QString readOutput;    // cbReadEDIDDataOutput
    QString downloadInput; // cbDownloadEDIDInput
    QString savePath;      // edtSaveEDID
    QString openPath;      // edtOpenEDID
};

class EdidPage : public QWidget {
    Q_OBJECT
public:
    // The bytes a download sends: the opened file or the grid.
    QByteArray WriteStream;

    explicit EdidPage(AppContext *ctx, QWidget *parent = nullptr);

    // Settings store.
    EdidChoices Choices() const;
    // Selects in each combo the item equal to the stored text (item 0 when none
    // matches); both path edits start empty whatever is stored.
    void RestoreChoices(const EdidChoices &choices);
    // The page's part of the settings file ("EDID setting").
    void LoadSettings(const SettingsData &data);
    void SaveSettings(SettingsData &data) const;

    // Handlers.
    void tsEDIDCtrlShow();
    void btnReadEDIDDataClick();
    void btnSaveEDIDClick();
    void btnOpenEDIDClick();
    void btnDownloadEDIDClick();
    void btnSetEDIDModeClick();
    void btnCopyEDIDClick();
    void btnClearEDIDContentClick();
    // "Compare with file…": the grid's EDID (or a first file when the grid
    // is empty) beside a chosen file's, differences marked.
    void btnCompareEDIDClick();
    void cbOutputEDIDChange(QComboBox *sender);

    // Rebuilds the five port combos from the port labels. With keepIndexes
    // each combo keeps its selected position, otherwise it goes to item 0.
    void RebuildPortLists(bool keepIndexes);

    // Shows a byte buffer in the grid (headers always; data only when the
    // buffer is a showable EDID). False leaves the data cells as they were.
    bool DisplayEdid(const QByteArray *buffer);
    // The grid's data cells as bytes; false (and empty) unless 256 bytes decode.
    bool GridToBytes(QByteArray &bytes) const;
    // Cell text, row and column 0..16 (row 0 and column 0 are the headers).
    QString CellText(int row, int column) const;
    // The decoded view's text, one fact a line; empty when the grid holds no EDID.
    QString InfoText() const { return FInfoText; }

    // EDID address (P1) of the selected entry of a read or download list:
    // ports 0xF000 + N, "All Inputs" 0xF0FE, user memories 0xF100 / 0xF200.
    uint16_t EdidAddress(const QComboBox *combo) const;
    // Mode value of the selected entry of cbEDIDMode.
    uint16_t ModeValue() const;

    // True while the program itself sets cbOutputEDID1..8 (nothing is sent).
    bool UserChangeEnabled() const { return FUserChange; }

    // EDID data control
    QGroupBox *gbEDIDData;
    QComboBox *cbReadEDIDDataOutput;
    QPushButton *btnReadEDIDData;
    QComboBox *cbDownloadEDIDInput;
    QPushButton *btnDownloadEDID;
    QPushButton *btnSaveEDID;
    QLineEdit *edtSaveEDID;
    QPushButton *btnOpenEDID;
    QLineEdit *edtOpenEDID;

    // EDID content
    QGroupBox *gbEDIDContent;
    QTableWidget *sgEDIDContent;
    QPushButton *btnClearEDIDContent;
    QPushButton *btnCompareEDID;
    QTreeWidget *mmoEDIDInfo; // the decoded view: one fact a row, long lists folded

    // EDID mode control (hidden as delivered)
    QGroupBox *gbEDIDMode;
    QComboBox *cbEDIDMode;
    QComboBox *cbSetEDIDModeInput;
    QPushButton *btnSetEDIDMode;
    QComboBox *cbCopyEDIDOutput;
    QComboBox *cbCopyEDIDInput;
    QPushButton *btnCopyEDID;

    // Use Output HDMI/HDBT EDID (hidden as delivered)
    QGroupBox *gbOutputEDID;
    QComboBox *cbOutputEDID[8];

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *buildDataGroup();
    QGroupBox *buildContentGroup();
    QGroupBox *buildModeGroup();
    QGroupBox *buildOutputGroup();
    void fillModeList();
    void writeCells(const QStringList &cells);
    QStringList cellTexts() const;
    void refreshInfo();
    void refuseOpenedFile();
    // Asks for an EDID file and reads all its blocks; false (after saying
    // why) when cancelled or not an EDID.
    bool readCompareFile(const QString &caption, QByteArray &bytes, QString &name);
    // The EDID write prelude with the operation's caption.
    bool sendPrelude(const QString &caption);
    QString portEntry(bool input, int n) const;
    void setOutputSource(QComboBox *combo, const TReplyRecord &reply);

    AppContext *ctx;
    bool FUserChange = true;
    QString FInfoText;
};
