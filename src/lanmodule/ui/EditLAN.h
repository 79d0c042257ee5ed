#pragma once
// "TCP configuration": the device tag and addressing (static addresses or
// Auto IP) of one TCP control module, filled from its device entry.

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

class OctetEdit;
class PromptService;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmEditLAN : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEditLAN(PromptService *prompts, QWidget *parent = nullptr);

    // The entry being edited was in Auto IP mode.
    bool AutoIPInitially = false;
    // The entry being edited was on the PC's subnet.
    bool SameSubnet = true;

    QGroupBox *gbDeviceInfo;
    QLabel *lblDeviceTag;
    QLineEdit *leDeviceTag;
    QLabel *lblDevTagLen;
    QRadioButton *rbStaticIP; // tag 0
    QRadioButton *rbDHCP;     // tag 1
    QLabel *lblIPAddress;
    QLabel *lblGateway;
    QLabel *lblSubnetMask;
    QLabel *lblMAC;
    OctetEdit *edtIPField[4];
    OctetEdit *edtGWField[4];
    OctetEdit *edtSNMField[4];
    QLineEdit *edtMACField[6];
    QPushButton *btnOK;
    QPushButton *btnReset;

    // Fill the dialog from a device entry and the current device MAC.
    void FillFromEntry(const QString &entry, const QString &mac);

    void btnOKClick();
    void btnResetClick();
    // The radio buttons' shared handler: address fields enabled exactly for
    // "Static IP" (tag not 1).
    void rbDHCPClick(int tag);
    void FormShow();

    bool autoIPChosen() const;
    // The three address rows as bytes and dotted text; the MAC edits' texts.
    void addressBytes(uint8_t ip[4], uint8_t gateway[4], uint8_t mask[4]) const;
    QString ipText() const;
    QString gatewayText() const;
    QString maskText() const;
    QStringList macTexts() const;
    QString macText() const;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QList<QWidget *> FAddressWidgets; // labels, separators and edits of the three rows
    PromptService *FPrompts;
};
