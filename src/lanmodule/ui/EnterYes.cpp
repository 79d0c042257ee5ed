#include "lanmodule/ui/EnterYes.h"

#include "lanmodule/ui/ModalResults.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEnterYes::TfrmEnterYes(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEnterYes"));
    setWindowTitle(QStringLiteral("Confirm to Reset"));

    gbConfirmation = new QGroupBox(QStringLiteral("Confirmation"), this);
    gbConfirmation->setObjectName(QStringLiteral("gbConfirmation"));
    lblConfirmation = new QLabel(
        QStringLiteral("Enter 'Yes' in the following edit box to confirm Reset Default process."),
        gbConfirmation);
    lblConfirmation->setObjectName(QStringLiteral("lblConfirmation"));
    lblConfirmation->setWordWrap(true);
    edtYes = new QLineEdit(gbConfirmation);
    edtYes->setObjectName(QStringLiteral("edtYes"));
    lblConfirmation->setBuddy(edtYes);
    edtYes->setAccessibleName(QStringLiteral("Confirmation text"));

    auto *groupLayout = new QVBoxLayout(gbConfirmation);
    groupLayout->addWidget(lblConfirmation);
    groupLayout->addWidget(edtYes);

    btnYes = new QPushButton(QStringLiteral("Yes"), this);
    btnYes->setObjectName(QStringLiteral("btnYes"));
    btnYes->setDefault(true);
    btnNo = new QPushButton(QStringLiteral("No"), this);
    btnNo->setObjectName(QStringLiteral("btnNo"));
    btnNo->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnYes);
    buttons->addWidget(btnNo);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbConfirmation);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnYes, &QPushButton::clicked, this, &TfrmEnterYes::btnYesClick);
    connect(btnNo, &QPushButton::clicked, this, &TfrmEnterYes::btnNoClick);
}

void TfrmEnterYes::showEvent(QShowEvent *event) {
    edtYes->clear();
    edtYes->setFocus();
    QDialog::showEvent(event);
}

void TfrmEnterYes::btnYesClick() {
    if (edtYes->text() == QLatin1String("Yes")) {
        done(ModalResult::mrYes);
        return;
    }
    edtYes->setFocus();
}

void TfrmEnterYes::btnNoClick() {
    done(ModalResult::mrNo);
}

void TfrmEnterYes::reject() {
    done(ModalResult::mrNo);
}
