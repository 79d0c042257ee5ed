#pragma once
// The "Advanced" page: the TCP control module information group, the four
// front-panel option groups (IR control, keys, beeper, APM) and the two POH
// source-setting groups (all six hidden as delivered).

#include "control/ControlFlags.h"
#include "protocol/Requests.h"

#include <QWidget>

class AppContext;
class ModuleInfoGroup;
class QComboBox;
class QGroupBox;
class QRadioButton;

class AdvancedPage : public QWidget {
    Q_OBJECT
public:
    explicit AdvancedPage(AppContext *ctx, QWidget *parent = nullptr);

    void tsIRShow();
    void rbIRDisableClick(QRadioButton *sender);
    void rbKeyLockClick(QRadioButton *sender);
    void rbBeeperDisableClick(QRadioButton *sender);
    void rbAPMOFFClick(QRadioButton *sender);

    ModuleInfoGroup *ModuleInfo;
    QGroupBox *gbIRControl;
    QRadioButton *rbIRDisable;
    QRadioButton *rbIREnable;
    QGroupBox *gbKeyLock;
    QRadioButton *rbKeyLock;
    QRadioButton *rbKeyUnlock;
    QGroupBox *gbBeeper;
    QRadioButton *rbBeeperDisable;
    QRadioButton *rbBeeperEnable;
    QGroupBox *gbAPM;
    QRadioButton *rbAPMOFF;
    QRadioButton *rbAPMON;

    bool StatusUpdating() const { return FStatusUpdate; }

    // power over HDBaseT for the remote transmitters and receivers.
    void cbRemotePOHChange(QComboBox *sender); // any of the sixteen combos
    bool ReadPOH();                            // false when the read failed
    QComboBox *POHCombo(bool receiver, int port) const;
    // The window's flags (the page keeps its own until set).
    void SetFlags(ControlFlags *flags) { FFlags = flags ? flags : &FOwnFlags; }
    QGroupBox *gbRemotePOHTX;
    QGroupBox *gbRemotePOHRX;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *makeGroup(const QString &title, const QString &name, QRadioButton *&off,
                         const QString &offName, const QString &offText, QRadioButton *&on,
                         const QString &onName, const QString &onText);
    bool readOption(const QString &caption, PanelOption option, QRadioButton *off,
                    QRadioButton *on);
    void setOption(QRadioButton *sender, QRadioButton *off, QRadioButton *on,
                   const QString &caption, PanelOption option);

    QGroupBox *makePOHGroup(bool receiver);

    AppContext *ctx;
    bool FStatusUpdate = false;
    ControlFlags FOwnFlags;
    ControlFlags *FFlags = &FOwnFlags;
};
