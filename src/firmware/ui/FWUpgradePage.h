#pragma once
// The "Firmware Upgrade" page: opens a firmware file (".fw"), enables and
// checks one box per part the file holds, and sends the checked parts. The
// run lives in FileUpgrade; the page keeps its boxes, the "All" boxes of the
// two card rows, the red marks of failed parts and the page state it saves
// for the length of a run.

#include "firmware/FileUpgrade.h"
#include "protocol/PartId.h"

#include <QWidget>
#include <array>

class AppContext;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TCaptionGauge;

class FWUpgradePage : public QWidget {
    Q_OBJECT
public:
    // The two card rows.
    enum CardRow { InputRow = 0, OutputRow = 1 };
    // The labels in the order of the saved page state.
    enum LabelIndex {
        LabelMain,
        LabelInput,
        LabelOutput,
        LabelFrontPanel,
        LabelIRMX,
        LabelSlave,
        LabelIDIR,
        LabelCount
    };

    explicit FWUpgradePage(AppContext *ctx, QWidget *parent = nullptr);

    // Handlers.
    void OpenFirmwareFile(); // btnOpenFW
    void UpgradeFromFile();  // btnUpgrade
    void SyncAllBox(CardRow row);
    void ApplyAllBox(CardRow row);
    void Button1Click(); // "&Clear"

    // Notifications the window passes on while this page runs.
    void PartProgress(PartId part, int percent);
    void WriteUpgradeLog(const QString &text, bool repeating);

    // The box of a part (FileBox index) and its row label.
    QCheckBox *Box(int fileBox) const { return FBoxes[size_t(fileBox)]; }
    QLabel *LabelOfBox(int fileBox) const;
    // The box's text is red (its part failed in the last run).
    bool BoxMarked(int fileBox) const;
    bool Running() const { return FRunning; }
    FileUpgrade *Upgrade() const { return FUpgrade; }
    FileUpgrade::Outcome LastOutcome() const { return FOutcome; }
    // The boxes that take part in a run: checked while their row label is enabled.
    FileBoxSet PickedBoxes() const;

    QGroupBox *gbFWUpgrade;
    QLineEdit *edtFWFile;
    QPushButton *btnOpenFW;
    TCaptionGauge *tsgFWProgress;
    QPushButton *btnUpgrade;
    QCheckBox *cbMainMCU;
    std::array<QCheckBox *, 9> cbInputMCU;  // [0..7] = cbInputMCU1..8, [8] = cbInputMCU9 "All"
    std::array<QCheckBox *, 9> cbOutputMCU; // the same for the output row
    QCheckBox *cbFrontPanelMCU;
    QCheckBox *cbIRMXMCU;
    QCheckBox *cbSlaveMCU;
    QCheckBox *cbIDIRMCU;
    std::array<QLabel *, LabelCount> Labels;
    QGroupBox *gbMessages;
    QPlainTextEdit *mmoMessage;
    QPushButton *Button1;

private:
    // Enabled and checked state of every label and box while a run holds them.
    struct PageState {
        std::array<bool, LabelCount> labelEnabled{};
        std::array<bool, FileBox::Count + 2> boxEnabled{};
        std::array<bool, FileBox::Count + 2> boxChecked{};
    };

    void resetBoxes();
    void setRunning(bool on);
    void markBox(int fileBox, bool failed);
    QList<QCheckBox *> allBoxes() const; // the part boxes, then the two "All" boxes
    PageState saveState() const;
    void restoreState(const PageState &state);
    void log(const QString &line);

    AppContext *ctx;
    FileUpgrade *FUpgrade;
    std::array<QCheckBox *, FileBox::Count> FBoxes{};
    bool FAllClick = false;    // an "All" box is setting its row
    bool FSingleClick = false; // a row box is setting its "All" box
    bool FRunning = false;
    int FLastPercent = -1;
    PageState FSaved;
    FileUpgrade::Outcome FOutcome = FileUpgrade::Outcome::NotRun;
};
