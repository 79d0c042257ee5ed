#include "control/ui/DeviceStatusGroup.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/DeviceStatus.h"
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
    bool on = false;
    const RunResult result = DeviceStatus::ReadPower(ctx, on);
    // A refusal (another command is running) says nothing about the unit.
    if (result == RunResult::Refused)
        return false;
    showGlyph(result != RunResult::Done ? Glyph::Unknown : on ? Glyph::On : Glyph::Off);
    return result == RunResult::Done;
}

void DeviceStatusGroup::bbPowerClick() {
    if (!ReadPowerStatus())
        return;
    ctx->ShowStatus(3, QString());
    const RunResult result = DeviceStatus::SendPower(ctx, !ctx->PowerOn);
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
        ctx->Prompts->Information(DeviceStatus::PowerOffNote);
        return;
    }
    DeviceStatus::Info info;
    if (DeviceStatus::ReadInfo(ctx, info) != RunResult::Done)
        return;
    lblDevice->setText(DeviceStatus::DeviceText(info));
    lblVersion->setText(DeviceStatus::VersionText(info));
}
