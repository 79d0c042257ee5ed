#pragma once
// The General page's "TCP control mode" group: the list of known TCP control
// devices and the buttons that search for, configure and delete them.

#include <QGroupBox>
#include <QStringList>

class AppContext;
class DeviceListModel;
class ModuleLink;
class QComboBox;
class QPushButton;
class TfrmEditLAN;
class TfrmSearch;

class LanDeviceGroup : public QGroupBox {
    Q_OBJECT
public:
    // Without a module link the group makes its own on the context's engine.
    explicit LanDeviceGroup(AppContext *ctx, ModuleLink *module = nullptr,
                            QWidget *parent = nullptr);

    QComboBox *cbLANDevice;
    QPushButton *btnSearchDevice;
    QPushButton *btnConfig;
    QPushButton *btnDeleteDevice;

    TfrmSearch *frmSearch() const { return FSearch; }
    TfrmEditLAN *frmEditLAN() const { return FEditLAN; }
    ModuleLink *moduleLink() const { return FModule; }

    // The device entries in list order (sorted).
    QStringList Entries() const;
    // Replace the list; the entries sort themselves. No selection change is run.
    void SetEntries(const QStringList &entries);
    // Select the entry equal to `entry` (case-insensitive), else the first
    // one, then run the device change.
    void SelectEntry(const QString &entry);
    // Enabled in TCP/IP mode while no command runs.
    void SetControlsEnabled(bool enabled);
    // Add an entry at its sorted place (also when an equal text exists); returns its index.
    int AddEntry(const QString &entry);
    // Add every entry not listed yet (exact text), each at its sorted place;
    // the selected entry stays selected. Returns the number added.
    int AddEntries(const QStringList &entries);

    void cbLANDeviceChange();
    void btnDeleteDeviceClick();
    void btnSearchDeviceClick();
    void btnConfigClick();

signals:
    // The configuration runs like a command: the window locks its mode and
    // connection controls while `busy` is set.
    void busyChanged(bool busy);

private:
    void disconnectLink();

    AppContext *ctx;
    ModuleLink *FModule;
    TfrmSearch *FSearch;
    TfrmEditLAN *FEditLAN;
    DeviceListModel *FEntries; // the texts cbLANDevice lists
    QString FDeviceInUse;      // the entry the last device change selected
};
