#pragma once
// "Confirm to Reset": the user types "Yes" to confirm returning the TCP
// control module to its default addressing.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QGroupBox;

class TfrmEnterYes : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEnterYes(QWidget *parent = nullptr);

    QGroupBox *gbConfirmation;
    QLabel *lblConfirmation;
    QLineEdit *edtYes;
    QPushButton *btnYes;
    QPushButton *btnNo;

    void btnYesClick();
    void btnNoClick();

    // Closing other than by "Yes" reads as "No".
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
};
