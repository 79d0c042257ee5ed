#pragma once
// What accessibility tools are told about the tab bar of a TPageControl: only
// the tabs that show are its children (a tab the window hides is not there),
// then the bar's scroll buttons. Each tab is a PageTabAccessible.

#include <QAccessibleWidget>
#include <QHash>

class QTabBar;

class PageTabListAccessible : public QAccessibleWidget {
public:
    explicit PageTabListAccessible(QTabBar *bar);
    ~PageTabListAccessible() override;

    // Installed once (TPageControl does): the tab bars of page controls get
    // this interface, every other tab bar keeps Qt's.
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *focusChild() const override;
    QString text(QAccessible::Text t) const override;

private:
    QTabBar *bar() const;
    QList<int> shownTabs() const;
    QList<QWidget *> scrollButtons() const;
    QAccessibleInterface *tab(int tabIndex) const;

    mutable QHash<int, QAccessible::Id> FTabs; // by tab index
};
