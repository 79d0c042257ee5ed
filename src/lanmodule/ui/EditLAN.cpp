#include "lanmodule/ui/EditLAN.h"

#include "app/PromptService.h"
#include "lanmodule/DeviceEntry.h"
#include "lanmodule/ui/ModalResults.h"
#include "lanmodule/ui/OctetEdit.h"
#include "protocol/Commands.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QString dottedFrom(OctetEdit *const edits[4]) {
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QString::number(edits[i]->value());
    return parts.join(QLatin1Char('.'));
}

void fillOctets(OctetEdit *const edits[4], const QString &dotted) {
    QStringList octets;
    SplitIPText(dotted, octets);
    for (int i = 0; i < 4; ++i) {
        QString t = i < octets.size() ? octets[i] : QString();
        ClampOctetEdit(t);
        edits[i]->setText(t);
    }
}

} // namespace

TfrmEditLAN::TfrmEditLAN(PromptService *prompts, QWidget *parent)
    : QDialog(parent), FPrompts(prompts) {
    setObjectName(QStringLiteral("frmEditLAN"));
    setWindowTitle(QStringLiteral("TCP configuration"));

    gbDeviceInfo = new QGroupBox(QStringLiteral("Device information"), this);
    gbDeviceInfo->setObjectName(QStringLiteral("gbDeviceInfo"));

    lblDeviceTag = new QLabel(QStringLiteral("Device Tag"), gbDeviceInfo);
    lblDeviceTag->setObjectName(QStringLiteral("lblDeviceTag"));
    leDeviceTag = new QLineEdit(gbDeviceInfo);
    leDeviceTag->setObjectName(QStringLiteral("leDeviceTag"));
    leDeviceTag->setMaxLength(32);
    lblDeviceTag->setBuddy(leDeviceTag);
    lblDevTagLen = new QLabel(QStringLiteral("*Max tag length: 32 characters"), gbDeviceInfo);
    lblDevTagLen->setObjectName(QStringLiteral("lblDevTagLen"));

    rbStaticIP = new QRadioButton(IPModeNames[0], gbDeviceInfo);
    rbStaticIP->setObjectName(QStringLiteral("rbStaticIP"));
    rbStaticIP->setProperty("tag", 0);
    rbDHCP = new QRadioButton(IPModeNames[1], gbDeviceInfo);
    rbDHCP->setObjectName(QStringLiteral("rbDHCP"));
    rbDHCP->setProperty("tag", 1);
    rbStaticIP->setChecked(true);

    auto *grid = new QGridLayout;
    auto addressRow = [&](int row, const QString &caption, const QString &name,
                          const QString &fieldPrefix, OctetEdit **edits) -> QLabel * {
        auto *label = new QLabel(caption, gbDeviceInfo);
        label->setObjectName(name);
        grid->addWidget(label, row, 0);
        FAddressWidgets << label;
        auto *line = new QHBoxLayout;
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                auto *dot = new QLabel(QStringLiteral("."), gbDeviceInfo);
                line->addWidget(dot);
                FAddressWidgets << dot;
            }
            edits[i] = new OctetEdit(gbDeviceInfo);
            edits[i]->setObjectName(fieldPrefix + QString::number(i + 1));
            edits[i]->setAccessibleName(caption + QStringLiteral(", octet %1").arg(i + 1));
            edits[i]->setFixedWidth(48);
            line->addWidget(edits[i]);
            FAddressWidgets << edits[i];
        }
        line->addStretch(1);
        label->setBuddy(edits[0]);
        grid->addLayout(line, row, 1);
        return label;
    };
    lblIPAddress = addressRow(0, QStringLiteral("IP address"), QStringLiteral("lblIPAddress"),
                              QStringLiteral("edtIPField"), edtIPField);
    lblGateway = addressRow(1, QStringLiteral("Gateway"), QStringLiteral("lblGateway"),
                            QStringLiteral("edtGWField"), edtGWField);
    lblSubnetMask = addressRow(2, QStringLiteral("Subnet mask"), QStringLiteral("lblSubnetMask"),
                               QStringLiteral("edtSNMField"), edtSNMField);

    lblMAC = new QLabel(QStringLiteral("MAC"), gbDeviceInfo);
    lblMAC->setObjectName(QStringLiteral("lblMAC"));
    grid->addWidget(lblMAC, 3, 0);
    auto *macLine = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        if (i > 0)
            macLine->addWidget(new QLabel(QStringLiteral("-"), gbDeviceInfo));
        edtMACField[i] = new QLineEdit(gbDeviceInfo);
        edtMACField[i]->setObjectName(QStringLiteral("edtMACField%1").arg(i + 1));
        edtMACField[i]->setMaxLength(2);
        edtMACField[i]->setFixedWidth(36);
        edtMACField[i]->setAlignment(Qt::AlignCenter);
        edtMACField[i]->setAccessibleName(QStringLiteral("MAC, byte %1").arg(i + 1));
        macLine->addWidget(edtMACField[i]);
    }
    macLine->addStretch(1);
    lblMAC->setBuddy(edtMACField[0]);
    grid->addLayout(macLine, 3, 1);

    auto *tagLine = new QHBoxLayout;
    tagLine->addWidget(lblDeviceTag);
    tagLine->addWidget(leDeviceTag, 1);
    auto *modeLine = new QHBoxLayout;
    modeLine->addWidget(rbStaticIP);
    modeLine->addWidget(rbDHCP);
    modeLine->addStretch(1);

    auto *groupLayout = new QVBoxLayout(gbDeviceInfo);
    groupLayout->addLayout(tagLine);
    groupLayout->addWidget(lblDevTagLen);
    groupLayout->addLayout(modeLine);
    groupLayout->addLayout(grid);

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnReset = new QPushButton(QStringLiteral("Reset"), this);
    btnReset->setObjectName(QStringLiteral("btnReset"));
    btnReset->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnReset);
    buttons->addWidget(btnOK);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbDeviceInfo);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnOK, &QPushButton::clicked, this, &TfrmEditLAN::btnOKClick);
    connect(btnReset, &QPushButton::clicked, this, &TfrmEditLAN::btnResetClick);
    connect(rbStaticIP, &QRadioButton::clicked, this, [this] { rbDHCPClick(0); });
    connect(rbDHCP, &QRadioButton::clicked, this, [this] { rbDHCPClick(1); });
}

void TfrmEditLAN::FillFromEntry(const QString &entry, const QString &mac) {
    leDeviceTag->setText(DeviceEntryField(entry, DeviceEntry::Tag));
    lblDevTagLen->hide();
    rbStaticIP->show();
    rbDHCP->show();
    AutoIPInitially = DeviceEntryField(entry, DeviceEntry::IPMode) == IPModeNames[1];
    fillOctets(edtIPField, DeviceEntryField(entry, DeviceEntry::IPAddress));
    fillOctets(edtGWField, DeviceEntryField(entry, DeviceEntry::Gateway));
    fillOctets(edtSNMField, DeviceEntryField(entry, DeviceEntry::SubnetMask));
    QStringList macParts;
    SplitMACText(mac, macParts);
    for (int i = 0; i < 6; ++i) {
        edtMACField[i]->setText(i < macParts.size() ? macParts[i] : QStringLiteral("00"));
        edtMACField[i]->setReadOnly(true);
        QPalette pal = edtMACField[i]->palette();
        pal.setColor(QPalette::Base, pal.color(QPalette::Window));
        edtMACField[i]->setPalette(pal);
    }
    SameSubnet = DeviceEntryField(entry, DeviceEntry::Subnet) == SubnetModeNames[0];
    rbStaticIP->setEnabled(true);
    rbDHCP->setEnabled(true);
    for (QWidget *w : FAddressWidgets)
        w->setEnabled(true);
}

void TfrmEditLAN::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TfrmEditLAN::FormShow() {
    if (!rbDHCP->isVisible() || !rbDHCP->isEnabled())
        return;
    QRadioButton *chosen = AutoIPInitially ? rbDHCP : rbStaticIP;
    chosen->setChecked(true);
    chosen->setFocus();
    rbDHCPClick(chosen->property("tag").toInt());
}

void TfrmEditLAN::rbDHCPClick(int tag) {
    const bool fixed = tag != 1;
    for (QWidget *w : FAddressWidgets)
        w->setEnabled(fixed);
}

void TfrmEditLAN::btnOKClick() {
    for (OctetEdit *const *row : {edtIPField, edtGWField, edtSNMField})
        for (int i = 0; i < 4; ++i)
            row[i]->clamp();
    done(ModalResult::mrOK);
}

void TfrmEditLAN::btnResetClick() {
    if (!FPrompts->Question(QStringLiteral("Sure to reset TCP configurations?")))
        return;
    leDeviceTag->setText(QStringLiteral("TCP Module"));
    rbStaticIP->setChecked(true);
    rbDHCP->setChecked(false);
    for (int i = 0; i < 4; ++i)
        edtIPField[i]->setText(QString::number(DefaultModuleIP[i]));
    for (int i = 0; i < 3; ++i)
        edtGWField[i]->setText(QString::number(DefaultModuleIP[i]));
    edtGWField[3]->setText(QStringLiteral("1"));
    const int mask[4] = {255, 255, 255, 0};
    for (int i = 0; i < 4; ++i)
        edtSNMField[i]->setText(QString::number(mask[i]));
    // Static IP is chosen now, so its address rows must be editable.
    rbDHCPClick(0);
}

bool TfrmEditLAN::autoIPChosen() const {
    return rbDHCP->isChecked();
}

void TfrmEditLAN::addressBytes(uint8_t ip[4], uint8_t gateway[4], uint8_t mask[4]) const {
    for (int i = 0; i < 4; ++i) {
        ip[i] = static_cast<uint8_t>(edtIPField[i]->value());
        gateway[i] = static_cast<uint8_t>(edtGWField[i]->value());
        mask[i] = static_cast<uint8_t>(edtSNMField[i]->value());
    }
}

QString TfrmEditLAN::ipText() const {
    return dottedFrom(edtIPField);
}
QString TfrmEditLAN::gatewayText() const {
    return dottedFrom(edtGWField);
}
QString TfrmEditLAN::maskText() const {
    return dottedFrom(edtSNMField);
}

QStringList TfrmEditLAN::macTexts() const {
    QStringList parts;
    for (QLineEdit *e : edtMACField)
        parts << e->text();
    return parts;
}

QString TfrmEditLAN::macText() const {
    uint8_t bytes[6] = {};
    ParseMACText(macTexts().join(QLatin1Char('-')), bytes);
    QStringList parts;
    for (uint8_t b : bytes)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}
