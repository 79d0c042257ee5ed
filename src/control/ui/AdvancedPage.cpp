#include "control/ui/AdvancedPage.h"

#include "app/AppContext.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "protocol/Commands.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"
#include "widgets/ControlLookup.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

AdvancedPage::AdvancedPage(AppContext *context, QWidget *parent) : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsIR"));
    ModuleInfo = new ModuleInfoGroup(ctx, ctx->Engine->Modules());

    gbIRControl = makeGroup(QStringLiteral("IR control Disable(OFF)/Enable(ON)"),
                            QStringLiteral("gbIRControl"), rbIRDisable,
                            QStringLiteral("rbIRDisable"), QStringLiteral("OFF"), rbIREnable,
                            QStringLiteral("rbIREnable"), QStringLiteral("ON"));
    gbKeyLock = makeGroup(QStringLiteral("Keys on Matrix front panel Lock (OFF) / Unlock (ON)"),
                          QStringLiteral("gbKeyLock"), rbKeyLock, QStringLiteral("rbKeyLock"),
                          QStringLiteral("OFF"), rbKeyUnlock, QStringLiteral("rbKeyUnlock"),
                          QStringLiteral("ON"));
    gbBeeper =
        makeGroup(QStringLiteral("Beeper Disable(OFF)/Enable(ON)"), QStringLiteral("gbBeeper"),
                  rbBeeperDisable, QStringLiteral("rbBeeperDisable"), QStringLiteral("OFF"),
                  rbBeeperEnable, QStringLiteral("rbBeeperEnable"), QStringLiteral("ON"));
    gbAPM = makeGroup(QStringLiteral("APM control OFF/ON setting"), QStringLiteral("gbAPM"),
                      rbAPMOFF, QStringLiteral("rbAPMOFF"), QStringLiteral("OFF"), rbAPMON,
                      QStringLiteral("rbAPMON"), QStringLiteral("ON"));

    auto *options = new QGridLayout;
    options->addWidget(gbIRControl, 0, 0);
    options->addWidget(gbKeyLock, 0, 1);
    options->addWidget(gbBeeper, 1, 0);
    options->addWidget(gbAPM, 1, 1);
    for (QGroupBox *g : {gbIRControl, gbKeyLock, gbBeeper, gbAPM})
        g->setVisible(false); // hidden as delivered

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ModuleInfo);
    layout->addLayout(options);
    layout->addStretch(1);

    connect(ctx, &AppContext::modeEnablingChanged, this, [this](int mode, bool busy) {
        ModuleInfo->SetControlsEnabled(mode == cmCOM && !busy);
    });
    for (QRadioButton *rb : {rbIRDisable, rbIREnable})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rbIRDisableClick(rb); });
    for (QRadioButton *rb : {rbKeyLock, rbKeyUnlock})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rbKeyLockClick(rb); });
    for (QRadioButton *rb : {rbBeeperDisable, rbBeeperEnable})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rbBeeperDisableClick(rb); });
    for (QRadioButton *rb : {rbAPMOFF, rbAPMON})
        connect(rb, &QRadioButton::clicked, this, [this, rb] { rbAPMOFFClick(rb); });
}

QGroupBox *AdvancedPage::makeGroup(const QString &title, const QString &name, QRadioButton *&off,
                                   const QString &offName, const QString &offText,
                                   QRadioButton *&on, const QString &onName,
                                   const QString &onText) {
    auto *group = new QGroupBox(title);
    group->setObjectName(name);
    off = new QRadioButton(offText, group);
    off->setObjectName(offName);
    off->setAccessibleName(title + QStringLiteral(": OFF"));
    ControlLookup::SetTag(off, 1);
    on = new QRadioButton(onText, group);
    on->setObjectName(onName);
    on->setAccessibleName(title + QStringLiteral(": ON"));
    ControlLookup::SetTag(on, 2);
    auto *l = new QHBoxLayout(group);
    l->addWidget(off);
    l->addWidget(on);
    return group;
}

void AdvancedPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsIRShow();
}

bool AdvancedPage::readOption(const QString &caption, PanelOption option, QRadioButton *off,
                              QRadioButton *on) {
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(caption, Requests::optionQuery(option), reply) != RunResult::Done)
        return false;
    FStatusUpdate = true;
    if (Replies::optionOn(reply))
        on->setChecked(true);
    else
        off->setChecked(true);
    FStatusUpdate = false;
    return true;
}

void AdvancedPage::tsIRShow() {
    if (!ctx->PowerOn)
        return;
    if (!readOption(QStringLiteral("Getting IR status ..."), PanelOption::Ir, rbIRDisable,
                    rbIREnable))
        return;
    if (!readOption(QStringLiteral("Getting Keys status ..."), PanelOption::Keys, rbKeyLock,
                    rbKeyUnlock))
        return;
    if (!readOption(QStringLiteral("Getting APM status ..."), PanelOption::Apm, rbAPMOFF, rbAPMON))
        return;
    readOption(QStringLiteral("Getting Beeper status ..."), PanelOption::Beeper, rbBeeperDisable,
               rbBeeperEnable);
}

void AdvancedPage::setOption(QRadioButton *sender, QRadioButton *off, QRadioButton *on,
                             const QString &caption, PanelOption option) {
    if (FStatusUpdate)
        return;
    ctx->ShowStatus(3, QString());
    off->setEnabled(false);
    on->setEnabled(false);
    TReplyRecord reply;
    ctx->RunPoweredCommand(caption, Requests::optionSet(option, on->isChecked()), reply);
    off->setEnabled(true);
    on->setEnabled(true);
    (ControlLookup::Tag(sender) == 1 ? off : on)->setFocus();
}

void AdvancedPage::rbIRDisableClick(QRadioButton *sender) {
    setOption(sender, rbIRDisable, rbIREnable,
              DisableEnableWords[rbIREnable->isChecked()] + QStringLiteral(" IR control ..."),
              PanelOption::Ir);
}

void AdvancedPage::rbKeyLockClick(QRadioButton *sender) {
    setOption(sender, rbKeyLock, rbKeyUnlock,
              UnlockLockWords[rbKeyLock->isChecked()] + QStringLiteral(" Keys on panel ..."),
              PanelOption::Keys);
}

void AdvancedPage::rbBeeperDisableClick(QRadioButton *sender) {
    setOption(sender, rbBeeperDisable, rbBeeperEnable,
              DisableEnableWords[rbBeeperEnable->isChecked()] +
                  QStringLiteral(" Beeper control ..."),
              PanelOption::Beeper);
}

void AdvancedPage::rbAPMOFFClick(QRadioButton *sender) {
    setOption(sender, rbAPMOFF, rbAPMON,
              QStringLiteral("Set APM ") + OffOnWords[rbAPMON->isChecked()] +
                  QStringLiteral(" ..."),
              PanelOption::Apm);
}
