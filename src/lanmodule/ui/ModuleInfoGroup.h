#pragma once
// The Advanced page's TCP control module groups: "TCP Module infomation"
// with "&Query", and the (hidden) "Reset TCP Module" group. Both talk to the
// module through the matrix's serial link.

#include <QWidget>

class AppContext;
class ModuleLink;
class QGroupBox;
class QLabel;
class QPushButton;
class TfrmEnterYes;

class ModuleInfoGroup : public QWidget {
    Q_OBJECT
public:
    // Without a module link the group makes its own on the context's engine.
    explicit ModuleInfoGroup(AppContext *ctx, ModuleLink *module = nullptr,
                             QWidget *parent = nullptr);

    QGroupBox *gbTCPModInfo;
    QLabel *lblTCPVersion;
    QLabel *lblTCPDHCP;
    QLabel *lblTCPIPAddr;
    QPushButton *btnQueryTCPModInfo;
    QGroupBox *gbResetDefault; // hidden in the delivered window
    QPushButton *btnReset;

    TfrmEnterYes *frmEnterYes() const { return FEnterYes; }

    // Enabled exactly when the COM-port group is (COM selected, no command running).
    void SetControlsEnabled(bool enabled);

    void btnQueryTCPModInfoClick();
    void btnResetClick();

private:
    AppContext *ctx;
    ModuleLink *FModule;
    TfrmEnterYes *FEnterYes;
};
