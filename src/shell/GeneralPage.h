#pragma once
// The "General" page: interface choice, COM port list, LAN device group,
// connect button and the device status groups.

#include "link/SerialPortList.h"
#include "protocol/Commands.h"

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
struct SettingsData;

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPage(AppContext *ctx, QWidget *parent = nullptr);

    void btnConnectClick();
    void rbCOMModeClick();
    void rbLANModeClick();
    void ApplyModeEnabling(TControlMode mode, bool busy);
    void RefreshComPortList();
    // The page's part of the settings file.
    void LoadSettings(const SettingsData &data);
    void SaveSettings(SettingsData &data) const;
    // Shows the link state on the connection controls (after a connect,
    // disconnect or loss).
    void ShowConnectionState();
    // The link went away by itself.
    void LinkLost(const QString &reason);

    // Where the ports come from: the serial ports the system reports, each
    // with its description and, for USB adapters, its /dev/serial/by-id/
    // path. Tests replace it (a list of bare paths converts, for example a
    // pseudo-terminal's path).
    static std::function<SerialPortList()> PortListSource;
    // The device the list's text names: the path of the chosen entry, or the
    // path typed into the list (a pseudo-terminal, a socat link).
    QString SelectedPortPath() const;

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
    bool refuseModeChange();
    int indexOfPath(const QString &path) const;
    AppContext *ctx;
};
