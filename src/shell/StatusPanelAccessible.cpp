#include "shell/StatusPanelAccessible.h"

#include "shell/StatusBar.h"

StatusPanelAccessible::StatusPanelAccessible(TStatusBar *bar, int panel)
    : FBar(bar), FPanel(panel) {}

QWindow *StatusPanelAccessible::window() const {
    return FBar ? FBar->window()->windowHandle() : nullptr;
}

QAccessibleInterface *StatusPanelAccessible::parent() const {
    return FBar ? QAccessible::queryAccessibleInterface(FBar.data()) : nullptr;
}

QString StatusPanelAccessible::text(QAccessible::Text t) const {
    if (!FBar)
        return QString();
    switch (t) {
    case QAccessible::Name:
        return FBar->PanelText(FPanel);
    case QAccessible::Description:
        return TStatusBar::PanelPurpose(FPanel);
    default:
        return QString();
    }
}

QRect StatusPanelAccessible::rect() const {
    if (!FBar)
        return QRect();
    const QRect r = FBar->PanelRect(FPanel);
    return QRect(FBar->mapToGlobal(r.topLeft()), r.size());
}

QAccessible::State StatusPanelAccessible::state() const {
    QAccessible::State s;
    s.readOnly = true;
    s.invisible = !FBar || !FBar->isVisible();
    return s;
}
