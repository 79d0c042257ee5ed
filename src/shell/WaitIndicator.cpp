#include "shell/WaitIndicator.h"

#include "app/AppContext.h"

#include <QAccessible>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

int WaitIndicator::ThresholdMs = 1000;

WaitIndicator::WaitIndicator(AppContext *ctx, QWidget *parent)
    : QWidget(parent), FCtx(ctx), FTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("WaitIndicator"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    pbWait = new QProgressBar;
    pbWait->setObjectName(QStringLiteral("pbWait"));
    pbWait->setRange(0, 0); // busy: the unit has not answered yet
    pbWait->setTextVisible(false);
    pbWait->setFixedWidth(80);
    pbWait->setAccessibleName(QStringLiteral("Waiting for the unit"));
    lblWait = new QLabel;
    lblWait->setObjectName(QStringLiteral("lblWait"));
    lblWait->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Waiting 9999 s")));
    lblWait->setAccessibleName(QStringLiteral("Time waited"));
    btnStopWait = new QPushButton(QStringLiteral("Stop"));
    btnStopWait->setObjectName(QStringLiteral("btnStopWait"));
    btnStopWait->setAccessibleName(QStringLiteral("Stop waiting"));
    btnStopWait->setToolTip(QStringLiteral("Stop waiting for the unit (Esc)"));
    layout->addWidget(pbWait);
    layout->addWidget(lblWait);
    layout->addWidget(btnStopWait);
    // Hidden, the parts give their width back to the status bar (whose
    // clock panel would not fit beside them) but keep their height: the
    // pages above do not move when a wait shows. The bar's panels are
    // left-aligned, so showing the parts only covers the clock.
    setMinimumHeight(btnStopWait->sizeHint().height());
    for (QWidget *w : {static_cast<QWidget *>(pbWait), static_cast<QWidget *>(lblWait),
                       static_cast<QWidget *>(btnStopWait)})
        w->setVisible(false);
    FTimer->setInterval(200);
    connect(FTimer, &QTimer::timeout, this, &WaitIndicator::tick);
    connect(ctx, &AppContext::busyChanged, this, &WaitIndicator::busyChanged);
    connect(btnStopWait, &QPushButton::clicked, this, [this] { FCtx->StopOperation(); });
}

QString WaitIndicator::WaitText() const {
    return lblWait->text();
}

void WaitIndicator::busyChanged(bool busy) {
    if (busy && FCtx->OperationRunning()) {
        if (!FTimer->isActive()) {
            FSince.start();
            FTimer->start();
        }
        return;
    }
    if (!FCtx->OperationRunning()) {
        FTimer->stop();
        show(false);
    }
}

void WaitIndicator::tick() {
    if (!FCtx->OperationRunning()) {
        FTimer->stop();
        show(false);
        return;
    }
    const qint64 ms = FSince.elapsed();
    if (ms < ThresholdMs)
        return;
    lblWait->setText(QStringLiteral("Waiting %1 s").arg(ms / 1000));
    show(true);
}

void WaitIndicator::show(bool on) {
    if (on == FShown)
        return;
    FShown = on;
    pbWait->setVisible(on);
    lblWait->setVisible(on);
    btnStopWait->setVisible(on);
    if (!on)
        lblWait->clear();
}
