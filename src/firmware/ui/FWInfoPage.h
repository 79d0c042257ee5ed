#pragma once
// The "Firmware Package Information" page: opens a ".fw2" package, shows the
// package-information report in a memo and saves it as a text file. Every
// message box, question and file dialog goes through the prompt service;
// status texts leave through statusText for the window's status bar.

#include <QString>
#include <QWidget>

class PromptService;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class FWInfoPage : public QWidget {
    Q_OBJECT
public:
    explicit FWInfoPage(PromptService *prompts, QWidget *parent = nullptr);

    // Handlers.
    void ShowPackageInfo(); // bbOpenFPF
    void SavePackageInfo(); // btnSaveInfoFPF
    void btnClearInfoFPFClick();

    // The memo's text with CR LF line ends, as it is saved.
    QString InfoText() const;

    QLineEdit *edtFPF;
    QPushButton *bbOpenFPF;
    QPlainTextEdit *mmoInfoFPF;
    QPushButton *btnSaveInfoFPF;
    QPushButton *btnClearInfoFPF;

signals:
    // Status bar text for panel `level` (1..5).
    void statusText(int level, const QString &text);

private:
    PromptService *prompts;
};
