#include "shell/GeneralPage.h"

#include "app/AppContext.h"
#include "control/ui/DeviceStatusGroup.h"
#include "lanmodule/ui/LanDeviceGroup.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "settings/SettingsData.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

std::function<SerialPortList()> GeneralPage::PortListSource = [] {
    return SerialPortList::System();
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
    // A port the system does not list (a pseudo-terminal, a socat or network
    // serial bridge) can be typed as its device path.
    cbCOMList->setEditable(true);
    cbCOMList->setInsertPolicy(QComboBox::NoInsert);
    cbCOMList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbCOMList->setMinimumContentsLength(28);
    cbCOMList->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    cbCOMList->setToolTip(
        QStringLiteral("Pick a serial port, or type the path of a device (/dev/ttyUSB0, a "
                       "pseudo-terminal, a socat link)"));
    lblPort->setBuddy(cbCOMList);
    cbCOMList->setAccessibleName(QStringLiteral("COM port"));
    cbCOMList->lineEdit()->setAccessibleName(QStringLiteral("COM port"));
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
    // Enter after a typed path connects to it.
    connect(cbCOMList->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        if (!ctx->Engine->Connected())
            btnConnectClick();
    });
    connect(rbCOMMode, &QRadioButton::clicked, this, [this] { rbCOMModeClick(); });
    connect(rbLANMode, &QRadioButton::clicked, this, [this] { rbLANModeClick(); });
    connect(LanGroup, &LanDeviceGroup::busyChanged, this,
            [this](bool busy) { ApplyModeEnabling(ctx->Engine->ControlMode(), busy); });
}

void GeneralPage::btnConnectClick() {
    TTSCOMControl *engine = ctx->Engine;
    // Never closes or reopens the link under a running operation.
    if (ctx->RefuseWhenBusy())
        return;
    ctx->ShowStatus(2, QString());
    if (engine->Connected()) {
        engine->Disconnect();
    } else {
        if (engine->ControlMode() == cmCOM) {
            engine->setComPort(SelectedPortPath());
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
    ShowConnectionState();
    if (connected) {
        const QString where =
            engine->ControlMode() == cmCOM ? engine->ComPort() : engine->DeviceIP();
        ctx->ShowStatus(1, QStringLiteral("Connected: ") + where);
        ctx->ShowStatus(2, QString());
    } else {
        ctx->ShowStatus(1, QStringLiteral("Disconnect"));
    }
}

void GeneralPage::ShowConnectionState() {
    TTSCOMControl *engine = ctx->Engine;
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
}

void GeneralPage::LinkLost(const QString &reason) {
    ShowConnectionState();
    ctx->ShowStatus(1, QStringLiteral("Disconnect"));
    ctx->ShowStatus(2, QStringLiteral("Connection lost: ") + reason, true);
}

bool GeneralPage::refuseModeChange() {
    if (!ctx->Busy())
        return false;
    ctx->RefuseWhenBusy();
    // The radios show the interface in use.
    const bool com = ctx->Engine->ControlMode() == cmCOM;
    rbCOMMode->setChecked(com);
    rbLANMode->setChecked(!com);
    return true;
}

void GeneralPage::rbCOMModeClick() {
    if (refuseModeChange())
        return;
    ctx->ShowStatus(2, QString());
    if (ctx->Engine->Connected())
        btnConnectClick();
    ctx->Engine->setControlMode(cmCOM);
    ApplyModeEnabling(cmCOM, false);
    if (ctx->LoadPortTagsAction) // clears the labels, then loads those of the COM interface
        ctx->LoadPortTagsAction();
}

void GeneralPage::rbLANModeClick() {
    if (refuseModeChange())
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

int GeneralPage::indexOfPath(const QString &path) const {
    for (int i = 0; i < cbCOMList->count(); ++i)
        if (cbCOMList->itemData(i).toString() == path)
            return i;
    return -1;
}

QString GeneralPage::SelectedPortPath() const {
    const QString text = cbCOMList->currentText();
    const int index = cbCOMList->findText(text, Qt::MatchExactly);
    if (index >= 0)
        return cbCOMList->itemData(index).toString();
    return text.trimmed();
}

void GeneralPage::RefreshComPortList() {
    QList<SerialPortEntry> entries;
    for (const SerialPortEntry &entry : PortListSource().Entries) {
        bool known = false;
        for (const SerialPortEntry &e : entries)
            known = known || e.path == entry.path;
        if (!known && !entry.path.isEmpty())
            entries.append(entry);
    }

    bool changed = entries.size() != cbCOMList->count();
    for (int i = 0; !changed && i < entries.size(); ++i) {
        const int at = indexOfPath(entries[i].path);
        changed = at < 0 || cbCOMList->itemText(at) != entries[i].label;
    }
    if (!changed)
        return;

    TTSCOMControl *engine = ctx->Engine;
    // A typed path is no entry of the list: it stays, and it never vanishes.
    const bool typed = cbCOMList->findText(cbCOMList->currentText(), Qt::MatchExactly) < 0;
    const QString typedText = typed ? cbCOMList->currentText() : QString();
    const bool wasListed = indexOfPath(engine->ComPort()) >= 0;

    cbCOMList->clear();
    for (const SerialPortEntry &entry : entries) {
        cbCOMList->addItem(entry.label, entry.path);
        cbCOMList->setItemData(cbCOMList->count() - 1, entry.path, Qt::ToolTipRole);
    }
    const int index = indexOfPath(engine->ComPort());
    if (index < 0) {
        // A port that vanished under a running operation is noticed by the
        // link itself; the list follows afterwards.
        if (wasListed && engine->Connected() && engine->ControlMode() == cmCOM && !ctx->Busy())
            btnConnectClick();
        if (!typedText.trimmed().isEmpty())
            cbCOMList->setEditText(typedText);
        else if (cbCOMList->count() > 0)
            cbCOMList->setCurrentIndex(0);
    } else {
        cbCOMList->setCurrentIndex(index);
    }
}

void GeneralPage::LoadSettings(const SettingsData &data) {
    rbLANMode->setChecked(data.lanMode);
    rbCOMMode->setChecked(!data.lanMode);
    if (data.lanMode)
        rbLANModeClick();
    else
        rbCOMModeClick();

    TTSCOMControl *engine = ctx->Engine;
    engine->setComPort(data.comPort);
    LanGroup->SetEntries(data.devices);
    LanGroup->SelectEntry(data.lanDevice);

    const int index = indexOfPath(engine->ComPort());
    if (index >= 0)
        cbCOMList->setCurrentIndex(index);
    else if (cbCOMList->count() > 0)
        cbCOMList->setCurrentIndex(0);
    else if (engine->ComPort().startsWith(QLatin1Char('/')))
        cbCOMList->setEditText(engine->ComPort()); // a typed device path, nothing listed
}

void GeneralPage::SaveSettings(SettingsData &data) const {
    data.lanMode = rbLANMode->isChecked();
    data.comPort = SelectedPortPath();
    data.lanDevice = LanGroup->cbLANDevice->currentText();
    data.devices = LanGroup->Entries();
}
