#pragma once
// The search wizard: a broadcast discovery of TCP control modules, the
// user's confirmation of what was found or a directed discovery by address,
// and the found devices as device entries for the device list.

#include "lanmodule/IcmpPing.h"

#include <QDialog>
#include <QStringList>

class ModuleLink;
class OctetEdit;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;

class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    enum Step { StepSearching = 0, StepFound, StepNotFound, StepCancelled, StepComplete, StepNone };

    explicit TfrmSearch(ModuleLink *module, QWidget *parent = nullptr);

    bool AutoSearch = false;
    bool StopPressed = false;
    // Device entries built in this dialog; the caller clears it before each opening.
    QStringList FoundEntries;
    // The subnet check of every found module.
    IcmpPing Ping;

    // Step 0: searching
    QGroupBox *gbSearching;
    QLabel *lblSearchProgress;
    QPushButton *btnStop;
    // Step 1: found
    QGroupBox *gbFound;
    QComboBox *cbMXDevice;
    QPushButton *btnYes;
    QPushButton *btnNo;
    // Step 2: not found, directed search
    QGroupBox *gbNotFound;
    OctetEdit *edtIPField[4];
    QPushButton *btnGo;
    QPushButton *btnNotFoundClose;
    // Step 3: cancelled
    QGroupBox *gbCancelled;
    QPushButton *btnCancelledClose;
    // Step 4: complete
    QGroupBox *gbComplete;
    QComboBox *cbMXDevice1;
    QPushButton *btnDone;
    // Step 5: nothing found
    QGroupBox *gbNone;
    QPushButton *btnNoneClose;

    int CurrentStep() const { return FStep; }
    void ShowStep(int step);
    // A discovery progress text passed on by the window (its message 3024);
    // shown while step 0 is.
    void SearchText(const QString &text, int lParam = 0);
    // True while a discovery or the subnet checks run.
    bool Busy() const { return FBusy; }

    void FormShow();
    void FormActivate();
    void btnStopClick();
    void btnNoClick();
    void btnGoClick();

    // Device entry of discovered module `device` (1-based), with its subnet check.
    QString BuildEntry(int device);

    // Closing the window while a discovery runs stops it instead.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addFoundEntries();
    void finishIfClosing();

    ModuleLink *FModule;
    QStackedWidget *FSteps;
    QString FSearchingCaption;
    int FStep = -1;
    bool FBusy = false;
};
