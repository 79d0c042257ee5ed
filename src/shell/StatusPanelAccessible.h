#pragma once
// One panel of the status bar as accessibility tools see it: a static text
// whose name is the panel's text, kept current, with what the panel is for
// as its description.

#include <QAccessible>
#include <QPointer>

class TStatusBar;

class StatusPanelAccessible : public QAccessibleInterface {
public:
    StatusPanelAccessible(TStatusBar *bar, int panel);

    bool isValid() const override { return !FBar.isNull(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override;
    QAccessibleInterface *parent() const override;
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override;

private:
    QPointer<TStatusBar> FBar;
    int FPanel;
};
