#pragma once
// An edit for one address octet: digits and backspace only, at most three
// characters; on leaving it the value is clamped to 0..255.

#include <QLineEdit>

class OctetEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit OctetEdit(QWidget *parent = nullptr);

    // ClampOctetEdit on the text.
    void clamp();
    // The clamped value.
    int value() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};
