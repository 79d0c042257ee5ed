#pragma once
// The "Advanced" page: the TCP control module information group and the four
// front-panel option groups (IR control, keys, beeper, APM; hidden as delivered).

#include "protocol/Requests.h"

#include <QWidget>

class AppContext;
class ModuleInfoGroup;
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

    AppContext *ctx;
    bool FStatusUpdate = false;
};
