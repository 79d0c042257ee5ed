#include "widgets/TLedNumber.h"

#include <QPalette>

TLedNumber::TLedNumber(QWidget *parent) : QLCDNumber(parent) {
    setSegmentStyle(QLCDNumber::Filled);
    setDigitCount(4); // as the form gives it; the window sets one digit when first shown
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::red);
    p.setColor(QPalette::Light, QColor(255, 80, 80));
    p.setColor(QPalette::Dark, QColor(120, 0, 0));
    setPalette(p);
    setText(QStringLiteral("0"));
}

void TLedNumber::setText(const QString &text) {
    FText = text;
    if (text.size() > digitCount())
        setDigitCount(int(text.size()));
    display(text);
    setAccessibleDescription(text);
}

int TLedNumber::intValue() const {
    bool ok = false;
    const int n = FText.trimmed().toInt(&ok);
    return ok ? n : 0;
}
