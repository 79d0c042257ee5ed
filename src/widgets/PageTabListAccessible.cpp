#include "widgets/PageTabListAccessible.h"

#include "widgets/PageTabAccessible.h"
#include "widgets/TPageControl.h"

#include <QTabBar>
#include <QToolButton>

namespace {
QAccessibleInterface *pageTabListFactory(const QString &className, QObject *object) {
    if (className != QLatin1String("QTabBar"))
        return nullptr;
    auto *bar = qobject_cast<QTabBar *>(object);
    if (!bar || !qobject_cast<TPageControl *>(bar->parentWidget()))
        return nullptr;
    return new PageTabListAccessible(bar);
}
} // namespace

void PageTabListAccessible::installFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(pageTabListFactory);
        return true;
    }();
    (void)installed;
}

PageTabListAccessible::PageTabListAccessible(QTabBar *bar)
    : QAccessibleWidget(bar, QAccessible::PageTabList) {}

PageTabListAccessible::~PageTabListAccessible() {
    for (QAccessible::Id id : std::as_const(FTabs))
        QAccessible::deleteAccessibleInterface(id);
}

QTabBar *PageTabListAccessible::bar() const {
    return static_cast<QTabBar *>(object());
}

QList<int> PageTabListAccessible::shownTabs() const {
    QList<int> shown;
    for (int i = 0; i < bar()->count(); ++i)
        if (bar()->isTabVisible(i))
            shown << i;
    return shown;
}

QList<QWidget *> PageTabListAccessible::scrollButtons() const {
    QList<QWidget *> buttons;
    for (QToolButton *b : bar()->findChildren<QToolButton *>(Qt::FindDirectChildrenOnly))
        buttons << b;
    return buttons;
}

QAccessibleInterface *PageTabListAccessible::tab(int tabIndex) const {
    if (const QAccessible::Id id = FTabs.value(tabIndex))
        return QAccessible::accessibleInterface(id);
    auto *iface = new PageTabAccessible(bar(), tabIndex);
    FTabs.insert(tabIndex, QAccessible::registerAccessibleInterface(iface));
    return iface;
}

int PageTabListAccessible::childCount() const {
    return int(shownTabs().size() + scrollButtons().size());
}

QAccessibleInterface *PageTabListAccessible::child(int index) const {
    const QList<int> shown = shownTabs();
    if (index < 0)
        return nullptr;
    if (index < shown.size())
        return tab(shown.at(index));
    const QList<QWidget *> buttons = scrollButtons();
    index -= int(shown.size());
    return index < buttons.size() ? QAccessible::queryAccessibleInterface(buttons.at(index))
                                  : nullptr;
}

int PageTabListAccessible::indexOfChild(const QAccessibleInterface *child) const {
    if (!child)
        return -1;
    const QList<int> shown = shownTabs();
    if (!child->object()) {
        for (auto it = FTabs.cbegin(); it != FTabs.cend(); ++it)
            if (QAccessible::accessibleInterface(it.value()) == child)
                return int(shown.indexOf(it.key()));
        return -1;
    }
    const int at = int(scrollButtons().indexOf(qobject_cast<QWidget *>(child->object())));
    return at < 0 ? -1 : int(shown.size()) + at;
}

QAccessibleInterface *PageTabListAccessible::focusChild() const {
    if (!bar()->hasFocus() || bar()->currentIndex() < 0)
        return nullptr;
    return tab(bar()->currentIndex());
}

QString PageTabListAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name) {
        const QString own = QAccessibleWidget::text(t);
        if (!own.isEmpty())
            return own;
        if (QWidget *pages = bar()->parentWidget())
            return pages->accessibleName();
    }
    return QAccessibleWidget::text(t);
}
