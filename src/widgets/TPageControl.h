#pragma once
// A tab widget whose page change can be refused before it happens (by mouse,
// keyboard or wheel on the tab bar, or Ctrl+Tab), and whose hidden tabs
// never come back by themselves. Accessibility tools see only the tabs that
// show (PageTabListAccessible).

#include <QTabWidget>
#include <functional>

class TPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TPageControl(QWidget *parent = nullptr);

    // Asked before the user moves to another page; false keeps the current one.
    std::function<bool()> Changing;

    // Moves to the page as the user asks for it: refused (false) when
    // Changing says no.
    bool RequestPage(int index);
    // Shows or hides a tab and tells accessibility tools that the tabs changed.
    void setTabShown(int index, bool shown);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool allowed() const { return !Changing || Changing(); }
};
