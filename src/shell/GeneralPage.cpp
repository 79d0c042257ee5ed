#include "shell/GeneralPage.h"

#include "control/ui/DeviceStatusGroup.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "shell/AppContext.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPortInfo>
#include <QThread>
#include <QVBoxLayout>

std::function<QStringList()> GeneralPage::PortListSource = [] {
    QStringList names;
    // On Linux the system location is the device path (/dev/ttyUSB0), which is
    // also what a technician sees elsewhere.
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        if (!names.contains(info.systemLocation()))
            names.append(info.systemLocation());
    return names;
};

namespace {
// The two 33 x 33 pictures of the connection group: a closed and an open link.
QPixmap linkPicture(bool open) {
    QPixmap pm(33, 33);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor c = open ? QColor(0, 160, 0) : QColor(150, 150, 150);
    p.setPen(QPen(c, 3));
    p.drawEllipse(QRectF(3, 10, 12, 12));
    p.drawEllipse(QRectF(18, 10, 12, 12));
    if (open)
        p.drawLine(QPointF(12, 16), QPointF(21, 16));
    else {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(QPointF(14, 6), QPointF(19, 27));
    }
    return pm;
}
} // namespace

GeneralPage::GeneralPage(AppContext *context, QWidget *parent) : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsGeneral"));

    lblNote = new QLabel(QStringLiteral("Note - To establish connection with TALVERIUM Matrix:"));
    lblNote->setObjectName(QStringLiteral("lblNote"));

    gbModeSelect = new QGroupBox(QStringLiteral("Matrix Interface Method"));
    gbModeSelect->setObjectName(QStringLiteral("gbModeSelect"));
    rbCOMMode = new QRadioButton(QStringLiteral("COM Port"));
    rbCOMMode->setObjectName(QStringLiteral("rbCOMMode"));
    rbLANMode = new QRadioButton(QStringLiteral("TCP/IP"));
    rbLANMode->setObjectName(QStringLiteral("rbLANMode"));
    rbLANMode->setChecked(true);
    auto *modeLayout = new QVBoxLayout(gbModeSelect);
    modeLayout->addWidget(rbCOMMode);
    modeLayout->addWidget(rbLANMode);

    gbCOMMode = new QGroupBox(QStringLiteral("Computer assigned COM Port"));
    gbCOMMode->setObjectName(QStringLiteral("gbCOMMode"));
    lblPort = new QLabel(QStringLiteral("Port"));
    lblPort->setObjectName(QStringLiteral("lblPort"));
    cbCOMList = new QComboBox;
    cbCOMList->setObjectName(QStringLiteral("cbCOMList"));
    cbCOMList->setMinimumWidth(160);
    lblPort->setBuddy(cbCOMList);
    cbCOMList->setAccessibleName(QStringLiteral("COM port"));
    auto *comLayout = new QHBoxLayout(gbCOMMode);
    comLayout->addWidget(lblPort);
    comLayout->addWidget(cbCOMList, 1);

    LanGroup = new LanDeviceGroup(ctx, ctx->Engine->Modules());

    gbConnection = new QGroupBox(QStringLiteral("Connection"));
    gbConnection->setObjectName(QStringLiteral("gbConnection"));
    imgClose = new QLabel;
    imgClose->setObjectName(QStringLiteral("imgClose"));
    imgClose->setPixmap(linkPicture(false));
    imgClose->setFixedSize(33, 33);
    imgClose->setAccessibleName(QStringLiteral("Link closed"));
    imgOpen = new QLabel;
    imgOpen->setObjectName(QStringLiteral("imgOpen"));
    imgOpen->setPixmap(linkPicture(true));
    imgOpen->setFixedSize(33, 33);
    imgOpen->setAccessibleName(QStringLiteral("Link open"));
    imgOpen->setVisible(false);
    btnConnect = new QPushButton(QStringLiteral("&Connect"));
    btnConnect->setObjectName(QStringLiteral("btnConnect"));
    auto *connLayout = new QHBoxLayout(gbConnection);
    connLayout->addWidget(imgClose);
    connLayout->addWidget(imgOpen);
    connLayout->addWidget(btnConnect, 1);

    DeviceStatus = new DeviceStatusGroup(ctx);

    auto *top = new QGridLayout;
    top->addWidget(gbModeSelect, 0, 0);
    top->addWidget(gbCOMMode, 0, 1);
    top->addWidget(gbConnection, 0, 2);
    top->addWidget(LanGroup, 1, 0, 1, 3);
    top->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblNote);
    layout->addLayout(top);
    layout->addWidget(DeviceStatus);
    layout->addStretch(1);

    connect(btnConnect, &QPushButton::clicked, this, [this] { btnConnectClick(); });
    connect(rbCOMMode, &QRadioButton::clicked, this, [this] { rbCOMModeClick(); });
    connect(rbLANMode, &QRadioButton::clicked, this, [this] { rbLANModeClick(); });
    connect(LanGroup, &LanDeviceGroup::busyChanged, this,
            [this](bool busy) { ApplyModeEnabling(ctx->Engine->ControlMode(), busy); });
}

void GeneralPage::btnConnectClick() {
    TTSCOMControl *engine = ctx->Engine;
    ctx->ShowStatus(2, QString());
    if (engine->Connected()) {
        engine->Disconnect();
    } else {
        if (engine->ControlMode() == cmCOM) {
            engine->setComPort(cbCOMList->currentText());
            ctx->ShowStatus(2, QStringLiteral("Opening [") + engine->ComPort() +
                                   QStringLiteral("] ..."));
        } else {
            ctx->ShowStatus(2, QStringLiteral("Connecting [") + engine->DeviceIP() +
                                   QStringLiteral("] ..."));
        }
        btnConnect->setEnabled(false);
        engine->Connect();
        btnConnect->setEnabled(true);
        if (isVisible())
            btnConnect->setFocus();
    }

    const bool connected = engine->Connected();
    cbCOMList->setEnabled(!connected && engine->ControlMode() == cmCOM);
    imgOpen->setVisible(connected);
    imgClose->setVisible(!connected);
    if (connected) {
        btnConnect->setText(QStringLiteral("&") + ConnectionStateWords[0]);
    } else {
        const QString word = ConnectionStateWords[1];
        btnConnect->setText(QStringLiteral("&") + word.left(word.size() - 2));
    }
    if (connected) {
        const QString where =
            engine->ControlMode() == cmCOM ? engine->ComPort() : engine->DeviceIP();
        ctx->ShowStatus(1, QStringLiteral("Connected: ") + where);
        ctx->ShowStatus(2, QString());
    } else {
        ctx->ShowStatus(1, QStringLiteral("Disconnect"));
    }
}

void GeneralPage::rbCOMModeClick() {
    ctx->ShowStatus(2, QString());
    if (ctx->Engine->Connected())
        btnConnectClick();
    ctx->Engine->setControlMode(cmCOM);
    ApplyModeEnabling(cmCOM, false);
    if (ctx->LoadPortTagsAction) // clears the labels, then loads those of the COM interface
        ctx->LoadPortTagsAction();
}

void GeneralPage::rbLANModeClick() {
    if (ctx->Engine->Searching)
        return;
    if (ctx->Engine->Connected())
        btnConnectClick();
    ctx->Engine->setControlMode(cmLAN);
    if (ctx->LoadPortTagsAction)
        ctx->LoadPortTagsAction();
    ctx->ShowStatus(3, QString());
    ApplyModeEnabling(cmLAN, false);
    if (!rbLANMode->isChecked())
        ctx->ShowStatus(2, QString());
    if (ctx->DiagnosticLine)
        ctx->DiagnosticLine(ctx->CurrentDeviceMAC);
}

void GeneralPage::ApplyModeEnabling(TControlMode mode, bool busy) {
    const bool lan = mode == cmLAN && !busy;
    const bool com = mode == cmCOM && !busy;
    LanGroup->SetControlsEnabled(lan);
    for (QWidget *w : {static_cast<QWidget *>(gbCOMMode), static_cast<QWidget *>(lblPort),
                       static_cast<QWidget *>(cbCOMList)})
        w->setEnabled(com);
    if (com && ctx->Engine->Connected())
        cbCOMList->setEnabled(false);
    for (QWidget *w : {static_cast<QWidget *>(gbModeSelect), static_cast<QWidget *>(rbCOMMode),
                       static_cast<QWidget *>(rbLANMode), static_cast<QWidget *>(btnConnect)})
        w->setEnabled(!busy);
    DeviceStatus->btnGetDevStatus->setEnabled(!busy);
    emit ctx->modeEnablingChanged(mode, busy);
}

void GeneralPage::RefreshComPortList() {
    QStringList names;
    for (const QString &name : PortListSource())
        if (!names.contains(name))
            names.append(name);

    bool changed = names.size() != cbCOMList->count();
    for (int i = 0; !changed && i < names.size(); ++i)
        changed = cbCOMList->findText(names[i], Qt::MatchExactly) < 0;
    if (!changed)
        return;

    cbCOMList->clear();
    cbCOMList->addItems(names);
    TTSCOMControl *engine = ctx->Engine;
    const int index = cbCOMList->findText(engine->ComPort(), Qt::MatchExactly);
    if (index < 0) {
        if (engine->Connected() && engine->ControlMode() == cmCOM)
            btnConnectClick();
        if (cbCOMList->count() > 0)
            cbCOMList->setCurrentIndex(0);
    } else {
        cbCOMList->setCurrentIndex(index);
    }
}
