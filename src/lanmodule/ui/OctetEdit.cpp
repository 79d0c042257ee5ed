#include "lanmodule/ui/OctetEdit.h"

#include "protocol/Commands.h"

#include <QKeyEvent>
#include <QRegularExpressionValidator>

OctetEdit::OctetEdit(QWidget *parent) : QLineEdit(parent) {
    setMaxLength(3);
    // Pasted text is held to digits as well.
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), this));
    setAlignment(Qt::AlignCenter);
}

void OctetEdit::clamp() {
    QString t = text();
    ClampOctetEdit(t);
    if (t != text())
        setText(t);
}

int OctetEdit::value() const {
    QString t = text();
    ClampOctetEdit(t);
    return t.toInt();
}

void OctetEdit::keyPressEvent(QKeyEvent *event) {
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
        for (QChar c : typed) {
            if (!c.isDigit() || c > QLatin1Char('9')) {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void OctetEdit::focusOutEvent(QFocusEvent *event) {
    clamp();
    QLineEdit::focusOutEvent(event);
}
