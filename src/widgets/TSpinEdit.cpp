#include "widgets/TSpinEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

TSpinEdit::TSpinEdit(QWidget *parent) : QWidget(parent) {
    FEdit = new QLineEdit(this);
    FEdit->setAlignment(Qt::AlignRight);
    FUp = new QToolButton(this);
    FUp->setArrowType(Qt::UpArrow);
    FUp->setFocusPolicy(Qt::NoFocus);
    FUp->setAutoRepeat(true);
    FUp->setAccessibleName(QStringLiteral("Step up"));
    FDown = new QToolButton(this);
    FDown->setArrowType(Qt::DownArrow);
    FDown->setFocusPolicy(Qt::NoFocus);
    FDown->setAutoRepeat(true);
    FDown->setAccessibleName(QStringLiteral("Step down"));
    for (QToolButton *b : {FUp, FDown})
        b->setFixedSize(16, 11);
    auto *buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    buttons->addWidget(FUp);
    buttons->addWidget(FDown);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(FEdit, 1);
    layout->addLayout(buttons);
    setFocusProxy(FEdit);
    FEdit->setText(QStringLiteral("0"));
    connect(FEdit, &QLineEdit::textChanged, this, &TSpinEdit::textChanged);
    connect(FUp, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(FDown, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

QString TSpinEdit::text() const {
    return FEdit->text();
}

void TSpinEdit::setText(const QString &text) {
    FEdit->setText(text);
}

int TSpinEdit::value() const {
    bool ok = false;
    const int n = FEdit->text().toInt(&ok);
    return ok ? n : 0;
}

void TSpinEdit::setValue(int value) {
    FEdit->setText(QString::number(std::clamp(value, FMin, FMax)));
}

void TSpinEdit::setRange(int minimum, int maximum) {
    FMin = minimum;
    FMax = maximum;
}

void TSpinEdit::stepBy(int steps) {
    setValue(value() + steps);
}
