#pragma once
// A spin edit as the pages use it: an edit with up/down buttons whose text
// change is reported on every edit (typing or stepping), like the form's
// spin edits. The page decides what a text means; the buttons step the
// value within minimum..maximum.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TSpinEdit : public QWidget {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget *parent = nullptr);

    QLineEdit *lineEdit() const { return FEdit; }
    QString text() const;
    void setText(const QString &text);
    int value() const; // the text as a number (0 when it holds none)
    void setValue(int value);
    void setRange(int minimum, int maximum);
    int minimum() const { return FMin; }
    int maximum() const { return FMax; }
    void stepBy(int steps);

signals:
    void textChanged(const QString &text); // every change of the text

private:
    QLineEdit *FEdit;
    QToolButton *FUp;
    QToolButton *FDown;
    int FMin = 0;
    int FMax = 100;
};
