#include "widgets/PageTabAccessible.h"

#include "widgets/TPageControl.h"

#include <QWidget>

namespace {
// A caption as read aloud: "&&" is an ampersand, a single "&" marks the
// accelerator and is not spoken.
QString spokenCaption(const QString &caption) {
    QString out;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                out += caption.at(++i);
            continue;
        }
        out += caption.at(i);
    }
    return out.trimmed();
}
} // namespace

PageTabAccessible::PageTabAccessible(QTabBar *bar, int index) : FBar(bar), FIndex(index) {}

bool PageTabAccessible::isValid() const {
    return FBar && FIndex < FBar->count();
}

QWindow *PageTabAccessible::window() const {
    return FBar ? FBar->window()->windowHandle() : nullptr;
}

QAccessibleInterface *PageTabAccessible::parent() const {
    return FBar ? QAccessible::queryAccessibleInterface(FBar.data()) : nullptr;
}

QString PageTabAccessible::text(QAccessible::Text t) const {
    if (!isValid())
        return QString();
    switch (t) {
    case QAccessible::Name:
        return spokenCaption(FBar->tabText(FIndex));
    case QAccessible::Description:
        return FBar->tabToolTip(FIndex);
    default:
        return QString();
    }
}

QRect PageTabAccessible::rect() const {
    if (!isValid() || !FBar->isTabVisible(FIndex))
        return QRect();
    const QRect r = FBar->tabRect(FIndex);
    return QRect(FBar->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State PageTabAccessible::state() const {
    QAccessible::State s;
    if (!isValid()) {
        s.invisible = true;
        return s;
    }
    if (QAccessibleInterface *bar = parent())
        s = bar->state();
    s.selectable = true;
    s.selected = FIndex == FBar->currentIndex();
    s.focused = s.focused && s.selected;
    s.invisible = s.invisible || !FBar->isTabVisible(FIndex);
    s.disabled = s.disabled || !FBar->isTabEnabled(FIndex);
    return s;
}

void *PageTabAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface *>(this);
    return nullptr;
}

QStringList PageTabAccessible::actionNames() const {
    return {pressAction()};
}

void PageTabAccessible::doAction(const QString &actionName) {
    if (actionName != pressAction() || !isValid() || !FBar->isTabVisible(FIndex) ||
        !FBar->isTabEnabled(FIndex))
        return;
    // The same rule as a click: the page control may refuse the change.
    if (auto *pages = qobject_cast<TPageControl *>(FBar->parentWidget()))
        pages->RequestPage(FIndex);
    else
        FBar->setCurrentIndex(FIndex);
}
