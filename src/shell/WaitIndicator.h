#pragma once
// Beside the status bar: while an operation has waited longer than
// ThresholdMs, a busy bar, the seconds so far and a "Stop" button (Esc does
// the same) that ends the wait through AppContext::StopOperation. While it is
// hidden the status bar has the whole width (its clock shows); its height is
// kept, so the window does not jump when a wait shows.

#include <QElapsedTimer>
#include <QWidget>

class AppContext;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

class WaitIndicator : public QWidget {
    Q_OBJECT
public:
    explicit WaitIndicator(AppContext *ctx, QWidget *parent = nullptr);

    // How long an operation runs before the indicator shows (tests lower it).
    static int ThresholdMs;

    bool Waiting() const { return FShown; }
    QString WaitText() const;

    QProgressBar *pbWait;
    QLabel *lblWait;
    QPushButton *btnStopWait;

private:
    void busyChanged(bool busy);
    void tick();
    void show(bool on);

    AppContext *FCtx;
    QTimer *FTimer;
    QElapsedTimer FSince;
    bool FShown = false;
};
