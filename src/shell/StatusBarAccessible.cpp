#include "shell/StatusBarAccessible.h"

#include "shell/StatusBar.h"
#include "shell/StatusPanelAccessible.h"

namespace {
QAccessibleInterface *statusBarFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("TStatusBar") && object && object->isWidgetType())
        return new StatusBarAccessible(static_cast<TStatusBar *>(object));
    return nullptr;
}
} // namespace

static_assert(TStatusBar::PanelCount == 5, "one accessible panel per status bar panel");

void StatusBarAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(statusBarFactory);
        return true;
    }();
    (void)installed;
}

StatusBarAccessible::StatusBarAccessible(TStatusBar *bar)
    : QAccessibleWidget(bar, QAccessible::StatusBar) {}

StatusBarAccessible::~StatusBarAccessible() {
    for (QAccessible::Id id : FPanels)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

TStatusBar *StatusBarAccessible::bar() const {
    return static_cast<TStatusBar *>(object());
}

int StatusBarAccessible::childCount() const {
    return Panels;
}

QAccessibleInterface *StatusBarAccessible::child(int index) const {
    if (index < 0 || index >= Panels)
        return nullptr;
    if (!FPanels[index])
        FPanels[index] =
            QAccessible::registerAccessibleInterface(new StatusPanelAccessible(bar(), index));
    return QAccessible::accessibleInterface(FPanels[index]);
}

int StatusBarAccessible::indexOfChild(const QAccessibleInterface *child) const {
    for (int i = 0; i < Panels; ++i)
        if (FPanels[i] && QAccessible::accessibleInterface(FPanels[i]) == child)
            return i;
    return -1;
}

QAccessibleInterface *StatusBarAccessible::childAt(int x, int y) const {
    const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < Panels; ++i)
        if (bar()->PanelRect(i).contains(local))
            return child(i);
    return nullptr;
}

QString StatusBarAccessible::text(QAccessible::Text t) const {
    // The message panel's text is also the bar's value.
    if (t == QAccessible::Value)
        return bar()->PanelText(1);
    return QAccessibleWidget::text(t);
}
