#pragma once
// A seven-segment number display (red on black) whose value text is kept as
// set, so that it reads back exactly (a routing display is the view's only
// record of the routing).

#include <QLCDNumber>

class TLedNumber : public QLCDNumber {
    Q_OBJECT
public:
    explicit TLedNumber(QWidget *parent = nullptr);

    QString text() const { return FText; }
    void setText(const QString &text);
    // The text read back as a number (0 when it holds none).
    int intValue() const;

private:
    QString FText;
};
