#pragma once
// The status bar as accessibility tools see it: a status bar whose children
// are its five panels (StatusPanelAccessible), so a screen reader reads the
// connection state, the message and the note as text; the bar announces a
// new text through the panel's name change (TStatusBar::announce).

#include <QAccessibleWidget>

class TStatusBar;

class StatusBarAccessible : public QAccessibleWidget {
public:
    explicit StatusBarAccessible(TStatusBar *bar);
    ~StatusBarAccessible() override;

    // Installed once (the status bar does).
    static void installFactory();

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

private:
    TStatusBar *bar() const;

    static constexpr int Panels = 5; // TStatusBar::PanelCount
    mutable QAccessible::Id FPanels[Panels] = {};
};
