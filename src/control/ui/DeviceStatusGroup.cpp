#include "control/ui/DeviceStatusGroup.h"

#include "shell/AppContext.h"
#include "shell/PromptService.h"
#include "widgets/ControlLookup.h"
#include "widgets/PowerGlyphs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr uint8_t CmdPower = 0x10;
constexpr uint8_t CmdDevice = 0x01;
constexpr uint16_t PowerGuard3 = 0x9B41;
constexpr uint16_t PowerGuard4 = 0x64C7;
constexpr uint16_t QueryParam = 0x00FE;
constexpr uint8_t KestrelDeviceId = 0xAE;
} // namespace

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
    }
    gbInOutConnection->setVisible(false);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(gbRefreshStatus, 1);
    layout->addWidget(gbPower, 1);
    layout->addWidget(gbInOutConnection);

    connect(btnGetDevStatus, &QPushButton::clicked, this, [this] { btnGetDevStatusClick(); });
    connect(bbPower, &QToolButton::clicked, this, [this] { bbPowerClick(); });
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
    ctx->RunCommand(QStringLiteral("Getting Power status ..."), CmdPower, 1, QueryParam, 0,
                    PowerGuard3, PowerGuard4, reply);
    if (reply.Success == 1) {
        ctx->setPowerOn(reply.paramLo(2) == 0xFF);
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
    if (!ctx->PowerOn)
        ctx->RunCommand(QStringLiteral("Matrix booting ..."), CmdPower, 2, 0x000F, 0, PowerGuard3,
                        PowerGuard4, reply);
    else
        ctx->RunCommand(QStringLiteral("Power off ..."), CmdPower, 2, 0x00F0, 0, PowerGuard3,
                        PowerGuard4, reply);
    if (reply.Success == 1)
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
    ctx->RunPoweredCommand(caption, CmdDevice, 1, QueryParam, 0, 0, 0, id);
    if (id.Success != 1)
        return;
    ctx->RunPoweredCommand(caption, CmdDevice, 2, QueryParam, 0, 0, 0, ports);
    if (ports.Success != 1)
        return;
    ctx->RunPoweredCommand(caption, CmdDevice, 3, QueryParam, 0, 0, 0, version);
    if (version.Success != 1)
        return;
    if (id.paramLo(1) == KestrelDeviceId)
        lblDevice->setText(QStringLiteral("Device: Kestrel-Matrix"));
    else
        lblDevice->setText(
            QStringLiteral("Device: Matrix, %1x%2").arg(ports.paramLo(1)).arg(ports.paramLo(2)));
    lblVersion->setText(QStringLiteral("Version: %1.%2")
                            .arg(version.paramLo(1))
                            .arg(version.paramLo(2), 2, 10, QLatin1Char('0')));
}
