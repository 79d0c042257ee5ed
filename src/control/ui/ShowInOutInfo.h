#pragma once
// The port-information pop-up: a borderless, stay-on-top window
// with one label on a client-aligned panel; a click anywhere on it closes it.

#include <QWidget>
#include <functional>

class QFrame;
class QLabel;

class TfrmShowInOutInfo : public QWidget {
    Q_OBJECT
public:
    explicit TfrmShowInOutInfo(QWidget *parent = nullptr);

    // rebuilds the sixteen lines from the labels (by tag) and
    // sizes the window; true when at least one port has a label.
    bool Rebuild(const std::function<QString(int)> &label);
    // Shows the window with its top-left corner at a screen point.
    void ShowAt(const QPoint &globalTopLeft);
    // The label text as the Part gives it: the lines joined with CR LF.
    QString Text() const { return FText; }

    QFrame *pnlInfo;
    QLabel *lblInfo;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QString FText = QStringLiteral("Output from Input");
};
