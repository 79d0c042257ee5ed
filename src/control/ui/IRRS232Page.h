#pragma once
// The "IR/RS232 Settings" page (tsIRRS232Setting): remote receiver
// IR outputs, the global IR in and IR out routes with their "All" boxes and
// loop, and the RS-232 routes. Command building and decoding:
// ControlRequests, ControlReplies, IrRs232Routing.

#include "control/ControlFlags.h"
#include "control/IrRs232Routing.h"

#include <QWidget>

class AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;

class IRRS232Page : public QWidget {
    Q_OBJECT
public:
    IRRS232Page(AppContext *ctx, ControlFlags *flags, QWidget *parent = nullptr);

    void tsIRRS232SettingShow();
    void cbIROutputRemoteRXChange(int receiver);
    // A click on a box of a global group; `out`: the IR-out group.
    void cbAllIRRouteClick(bool out, QCheckBox *sender);
    void cbAllIRInAllIROutLoopClick();
    void cbRS232RouteChange(int port); // 1..8 local, 9 global

    bool ReadRemoteRx(int receiver);
    bool ReadGlobal(bool out);
    bool ReadRs232(int port);

    QComboBox *RemoteRx(int receiver) const;
    // Box 1..8 or 9 ("All") of a row of a group.
    QCheckBox *Box(bool out, IrRs232Routing::Row row, int box) const;
    QComboBox *Rs232(int port) const;
    ControlRequests::IrRows Rows(bool out) const;
    IrRs232Routing::AllBoxes SavedRow; // one saved row for all six "All" boxes

    QGroupBox *gbRemoteRXIR;
    QGroupBox *gbAllIRIn;
    QGroupBox *gbAllIROut;
    QGroupBox *gbIRLoop;
    QCheckBox *cbAllIRInAllIROutLoop;
    QGroupBox *gbRS232Global;
    QComboBox *cbRS232RouteGlobal;
    QGroupBox *gbRS232Local;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QGroupBox *makeGlobalGroup(bool out);
    void sendGlobal(bool out);
    void showRows(bool out, const ControlRequests::IrRows &rows);

    AppContext *ctx;
    ControlFlags FOwnFlags;
    ControlFlags *FFlags;
};
