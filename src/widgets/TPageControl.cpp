#include "widgets/TPageControl.h"

#include "widgets/PageTabListAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTabBar>

TPageControl::TPageControl(QWidget *parent) : QTabWidget(parent) {
    tabBar()->installEventFilter(this);
    PageTabListAccessible::installFactory();
}

bool TPageControl::RequestPage(int index) {
    if (index < 0 || index >= count())
        return false;
    if (index == currentIndex())
        return true;
    if (!allowed())
        return false;
    setCurrentIndex(index);
    return true;
}

void TPageControl::setTabShown(int index, bool shown) {
    if (isTabVisible(index) == shown)
        return;
    setTabVisible(index, shown);
    QAccessibleEvent event(tabBar(), QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&event);
}

bool TPageControl::eventFilter(QObject *watched, QEvent *event) {
    if (watched == tabBar()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto *me = static_cast<QMouseEvent *>(event);
            const int index = tabBar()->tabAt(me->position().toPoint());
            if (index >= 0 && index != currentIndex() && !allowed())
                return true;
            break;
        }
        case QEvent::KeyPress: {
            auto *ke = static_cast<QKeyEvent *>(event);
            switch (ke->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Home:
            case Qt::Key_End:
                if (!allowed())
                    return true;
                break;
            default:
                break;
            }
            break;
        }
        case QEvent::Wheel:
            if (!allowed())
                return true;
            break;
        default:
            break;
        }
    }
    return QTabWidget::eventFilter(watched, event);
}

void TPageControl::keyPressEvent(QKeyEvent *event) {
    const bool pageKey = (event->modifiers() & Qt::ControlModifier) &&
                         (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
                          event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown);
    if (pageKey && !allowed()) {
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}
