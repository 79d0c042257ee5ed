#include "control/ui/AdvancedPage.h"

#include "app/AppContext.h"
#include "control/SourceSettings.h"
#include "lanmodule/ui/ModuleInfoGroup.h"
#include "protocol/Commands.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"
#include "widgets/ControlLookup.h"
#include "widgets/ServiceVisibility.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <array>

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
    gbRemotePOHTX = makePOHGroup(false);
    gbRemotePOHRX = makePOHGroup(true);
    options->addWidget(gbRemotePOHTX, 2, 0, 1, 2);
    options->addWidget(gbRemotePOHRX, 3, 0, 1, 2);
    for (QGroupBox *g : {gbIRControl, gbKeyLock, gbBeeper, gbAPM, gbRemotePOHTX, gbRemotePOHRX})
        ServiceVisibility::HideAsDelivered(g);

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
    if (!readOption(QStringLiteral("Getting Beeper status ..."), PanelOption::Beeper,
                    rbBeeperDisable, rbBeeperEnable))
        return;
    // The POH groups are read when they are shown (service mode); the page
    // as delivered sends what it always sent.
    if (gbRemotePOHTX->isVisible() || gbRemotePOHRX->isVisible())
        ReadPOH();
}

// ---- Power over HDBaseT -----------------------------------------

QGroupBox *AdvancedPage::makePOHGroup(bool receiver) {
    auto *group =
        new QGroupBox(receiver ? QStringLiteral("Remote HDBT receiver POH On/Off control")
                               : QStringLiteral("Remote HDBT transmitter POH On/Off control"));
    group->setObjectName(receiver ? QStringLiteral("gbRemotePOHRX")
                                  : QStringLiteral("gbRemotePOHTX"));
    auto *row = new QGridLayout(group);
    for (int n = 1; n <= SourceSettings::Ports; ++n) {
        auto *label = new QLabel(QString::number(n), group);
        label->setAlignment(Qt::AlignCenter);
        auto *combo = new QComboBox(group);
        combo->setObjectName(
            (receiver ? QStringLiteral("cbRemotePOHRX%1") : QStringLiteral("cbRemotePOHTX%1"))
                .arg(n));
        combo->addItems(SourceSettings::PohItems());
        combo->setCurrentIndex(0);
        combo->setAccessibleName(
            QStringLiteral("Remote %1 %2 POH").arg(receiver ? "receiver" : "transmitter").arg(n));
        ControlLookup::SetTag(combo, n);
        label->setBuddy(combo);
        row->addWidget(label, 0, n - 1);
        row->addWidget(combo, 1, n - 1);
        connect(combo, &QComboBox::activated, this, [this, combo] { cbRemotePOHChange(combo); });
    }
    return group;
}

QComboBox *AdvancedPage::POHCombo(bool receiver, int port) const {
    return ControlLookup::ByName<QComboBox>(
        const_cast<AdvancedPage *>(this),
        receiver ? QStringLiteral("cbRemotePOHRX") : QStringLiteral("cbRemotePOHTX"), port);
}

bool AdvancedPage::ReadPOH() {
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Getting POH..."), ControlRequests::pohQuery(),
                               reply) != RunResult::Done)
        return false;
    const ControlReplies::PohMasks masks = ControlReplies::poh(reply);
    FFlags->PohUpdate = true;
    for (int n = 1; n <= SourceSettings::Ports; ++n) {
        POHCombo(false, n)->setCurrentIndex(SourceSettings::PohItem(masks.transmitters, n));
        POHCombo(true, n)->setCurrentIndex(SourceSettings::PohItem(masks.receivers, n));
    }
    FFlags->PohUpdate = false;
    return true;
}

void AdvancedPage::cbRemotePOHChange(QComboBox *sender) {
    if (FFlags->PohUpdate)
        return;
    const bool receiver =
        sender->objectName().startsWith(QStringLiteral("cbRemotePOHRX"), Qt::CaseInsensitive);
    std::array<int, SourceSettings::Ports> items{};
    for (int n = 1; n <= SourceSettings::Ports; ++n)
        items[n - 1] = POHCombo(receiver, n)->currentIndex();
    const uint8_t mask = SourceSettings::PohMask(items);
    TReplyRecord reply;
    const RunResult result =
        receiver ? ctx->RunPoweredCommand(QStringLiteral("Setting Remote RX POH ..."),
                                          ControlRequests::pohReceiversSet(mask), reply)
                 : ctx->RunPoweredCommand(QStringLiteral("Setting Remote TX POH ..."),
                                          ControlRequests::pohTransmittersSet(mask), reply);
    if (result == RunResult::Done) {
        ReadPOH();
        return;
    }
    // Refused or failed: the changed combo goes back ("On" to "Off", "Off" to "On").
    FFlags->PohUpdate = true;
    sender->setCurrentIndex(sender->currentIndex() == 1 ? 0 : 1);
    FFlags->PohUpdate = false;
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
