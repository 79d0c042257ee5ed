#include "link/LinkWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace LinkWait {

Result until(qint64 ms, const std::function<bool()> &done, const std::function<bool()> &cancelled) {
    QDeadlineTimer deadline(qMax<qint64>(0, ms), Qt::PreciseTimer);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (done && done())
            return Result::Done;
        if (cancelled && cancelled())
            return Result::Cancelled;
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return Result::TimedOut;
        if (!timer.isActive())
            timer.start(static_cast<int>(qMin<qint64>(left, 24 * 3600 * 1000)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool pause(qint64 ms, const std::function<bool()> &cancelled) {
    return until(ms, std::function<bool()>(), cancelled) == Result::TimedOut;
}

void serve() {
    QCoreApplication::processEvents();
}

void wake() {
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance())
        d->wakeUp();
}

} // namespace LinkWait
