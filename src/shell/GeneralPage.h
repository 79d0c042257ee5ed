#pragma once
// The "General" page: interface choice, COM port list, LAN device group,
// connect button and the device status groups.

#include "link/Commands.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class AppContext;
class DeviceStatusGroup;
class LanDeviceGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPage(AppContext *ctx, QWidget *parent = nullptr);

    void btnConnectClick();
    void rbCOMModeClick();
    void rbLANModeClick();
    void ApplyModeEnabling(TControlMode mode, bool busy);
    void RefreshComPortList();

    // Where port names come from: the serial ports the system reports.
    // Tests replace it (for example with a pseudo-terminal's path).
    static std::function<QStringList()> PortListSource;

    QLabel *lblNote;
    QGroupBox *gbModeSelect;
    QRadioButton *rbCOMMode;
    QRadioButton *rbLANMode;
    QGroupBox *gbCOMMode;
    QLabel *lblPort;
    QComboBox *cbCOMList;
    LanDeviceGroup *LanGroup;
    QGroupBox *gbConnection;
    QLabel *imgClose;
    QLabel *imgOpen;
    QPushButton *btnConnect;
    DeviceStatusGroup *DeviceStatus;

private:
    AppContext *ctx;
};
