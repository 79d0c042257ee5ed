#include "control/ui/DeviceStatusGroup.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"
#include "widgets/ControlLookup.h"
#include "widgets/PowerGlyphs.h"
#include "widgets/ServiceVisibility.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

DeviceStatusGroup::DeviceStatusGroup(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context) {
    gbRefreshStatus = new QGroupBox(QStringLiteral("Refresh device status"));
    gbRefreshStatus->setObjectName(QStringLiteral("gbRefreshStatus"));
    btnGetDevStatus = new QPushButton(QStringLiteral("&Display Status"));
    btnGetDevStatus->setObjectName(QStringLiteral("btnGetDevStatus"));
    lblDevice = new QLabel(QStringLiteral(" Device: Unknown"));
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblVersion = new QLabel(QStringLiteral("Version: Unknown"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    auto *statusLayout = new QVBoxLayout(gbRefreshStatus);
    statusLayout->addWidget(btnGetDevStatus);
    statusLayout->addWidget(lblDevice);
    statusLayout->addWidget(lblVersion);

    gbPower =
        new QGroupBox(QStringLiteral("Power Control (Press Power Button to turn On/Off Matrix)"));
    gbPower->setObjectName(QStringLiteral("gbPower"));
    bbPower = new QToolButton;
    bbPower->setObjectName(QStringLiteral("bbPower"));
    bbPower->setAccessibleName(QStringLiteral("Power"));
    bbPower->setToolTip(QStringLiteral("Turn the matrix on or off"));
    bbPower->setIconSize(QSize(40, 40));
    bbPower->setFocusPolicy(Qt::StrongFocus);
    auto *powerLayout = new QHBoxLayout(gbPower);
    powerLayout->addWidget(bbPower);
    powerLayout->addStretch(1);
    showGlyph(Glyph::Unknown);

    gbInOutConnection = new QGroupBox;
    gbInOutConnection->setObjectName(QStringLiteral("gbInOutConnection"));
    auto *ioLayout = new QGridLayout(gbInOutConnection);
    for (int n = 1; n <= 8; ++n) {
        auto *in = new QLabel(gbInOutConnection);
        ControlLookup::SetTag(in, 40 + n);
        ioLayout->addWidget(in, n - 1, 0);
        auto *out = new QLabel(gbInOutConnection);
        ControlLookup::SetTag(out, 80 + n);
        ioLayout->addWidget(out, n - 1, 1);
        auto *type = new QLabel(QStringLiteral("HDMI"), gbInOutConnection);
        type->setObjectName(QStringLiteral("lblTypeInput%1").arg(n));
        ioLayout->addWidget(type, n - 1, 2);
    }
    cbDisplayTag = new QCheckBox(
        QStringLiteral("Display Input, Output tags when focus setting buttons"), gbInOutConnection);
    cbDisplayTag->setObjectName(QStringLiteral("cbDisplayTag"));
    cbDisplayTag->setChecked(true);
    ioLayout->addWidget(cbDisplayTag, 8, 0, 1, 3);
    ServiceVisibility::HideAsDelivered(gbInOutConnection);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbRefreshStatus, 1);
    layout->addWidget(gbPower, 1);
    layout->addWidget(gbInOutConnection);

    connect(btnGetDevStatus, &QPushButton::clicked, this, [this] { btnGetDevStatusClick(); });
    connect(bbPower, &QToolButton::clicked, this, [this] { bbPowerClick(); });
}

QLabel *DeviceStatusGroup::TypeLabel(int input) const {
    return ControlLookup::ByName<QLabel>(gbInOutConnection, QStringLiteral("lblTypeInput"), input);
}

void DeviceStatusGroup::InitialiseTexts() {
    lblDevice->setText(QStringLiteral(" Device: Not known"));
    lblVersion->setText(QStringLiteral("Version: Not known"));
    for (int n = 1; n <= 8; ++n) {
        if (auto *in = ControlLookup::ByTag<QLabel>(gbInOutConnection, 40 + n))
            in->setText(QStringLiteral("Input%1: Not known").arg(n));
        if (auto *out = ControlLookup::ByTag<QLabel>(gbInOutConnection, 80 + n))
            out->setText(QStringLiteral("Output%1: Not known").arg(n));
    }
}

void DeviceStatusGroup::showGlyph(Glyph glyph) {
    FGlyph = glyph;
    bbPower->setIcon(PowerGlyphs::Glyph(glyph == Glyph::On    ? PowerGlyphs::On
                                        : glyph == Glyph::Off ? PowerGlyphs::Off
                                                              : PowerGlyphs::Unknown));
}

bool DeviceStatusGroup::ReadPowerStatus() {
    TReplyRecord reply;
    const RunResult result =
        ctx->RunCommand(QStringLiteral("Getting Power status ..."), Requests::powerQuery(), reply);
    // A refusal (another command is running) says nothing about the unit.
    if (result == RunResult::Refused)
        return false;
    if (result == RunResult::Done) {
        ctx->setPowerOn(Replies::powerOn(reply));
        showGlyph(ctx->PowerOn ? Glyph::On : Glyph::Off);
        return true;
    }
    ctx->setPowerOn(false);
    showGlyph(Glyph::Unknown);
    return false;
}

void DeviceStatusGroup::bbPowerClick() {
    if (!ReadPowerStatus())
        return;
    ctx->ShowStatus(3, QString());
    TReplyRecord reply;
    const RunResult result = ctx->RunCommand(ctx->PowerOn ? QStringLiteral("Power off ...")
                                                          : QStringLiteral("Matrix booting ..."),
                                             Requests::powerSet(!ctx->PowerOn), reply);
    if (result == RunResult::Refused)
        return;
    if (result == RunResult::Done)
        ReadPowerStatus();
    if (ctx->PowerOn) {
        btnGetDevStatusClick();
        ctx->ShowStatus(3, QStringLiteral("Matrix Power On"));
    } else {
        ctx->ShowStatus(3, QStringLiteral("Matrix Power Off"));
    }
}

void DeviceStatusGroup::btnGetDevStatusClick() {
    if (!ReadPowerStatus())
        return;
    if (!ctx->PowerOn) {
        ctx->Prompts->Information(
            QStringLiteral("System is Power Off, please turn it on first to refresh more status."));
        return;
    }
    const QString caption = QStringLiteral("Getting device info ...");
    TReplyRecord id, ports, version;
    if (ctx->RunPoweredCommand(caption, Requests::deviceId(), id) != RunResult::Done)
        return;
    if (ctx->RunPoweredCommand(caption, Requests::portCounts(), ports) != RunResult::Done)
        return;
    if (ctx->RunPoweredCommand(caption, Requests::firmwareVersion(), version) != RunResult::Done)
        return;
    if (Replies::deviceId(id).singleBoardModel) {
        lblDevice->setText(QStringLiteral("Device: Kestrel-Matrix"));
    } else {
        const Replies::PortCounts counts = Replies::portCounts(ports);
        lblDevice->setText(
            QStringLiteral("Device: Matrix, %1x%2").arg(counts.inputs).arg(counts.outputs));
    }
    const Replies::FirmwareVersion v = Replies::firmwareVersion(version);
    lblVersion->setText(
        QStringLiteral("Version: %1.%2").arg(v.major).arg(v.minor, 2, 10, QLatin1Char('0')));
}
