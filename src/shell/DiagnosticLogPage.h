#pragma once
// The diagnostic log on a page of its own (matrix-tool --service): the
// window's log memo mmoMsg (frames, data dumps, counts, the serial line's
// notes) with Save and Clear. The page's tab is hidden unless in service mode.

#include <QWidget>

class PromptService;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class DiagnosticLogPage : public QWidget {
    Q_OBJECT
public:
    // Takes `log` into the page (the memo stays the window's).
    DiagnosticLogPage(QPlainTextEdit *log, PromptService *prompts, QWidget *parent = nullptr);

    // Writes the log to a file the person picks; the outcome for the status bar.
    QString SaveLog();
    void ClearLog();

    QLabel *lblLog;
    QPlainTextEdit *mmoLog; // the window's mmoMsg
    QPushButton *btnSaveLog;
    QPushButton *btnClearLog;

signals:
    void statusText(int level, const QString &text);

private:
    PromptService *prompts;
};
