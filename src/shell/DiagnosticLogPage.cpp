#include "shell/DiagnosticLogPage.h"

#include "app/PromptService.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

DiagnosticLogPage::DiagnosticLogPage(QPlainTextEdit *log, PromptService *promptService,
                                     QWidget *parent)
    : QWidget(parent), mmoLog(log), prompts(promptService) {
    setObjectName(QStringLiteral("tsDiagLog"));
    lblLog = new QLabel(QStringLiteral("&Diagnostic log (frames sent and received, data, link "
                                       "notes; the last 2000 lines):"));
    lblLog->setObjectName(QStringLiteral("lblLog"));
    lblLog->setBuddy(mmoLog);
    btnSaveLog = new QPushButton(QStringLiteral("&Save..."));
    btnSaveLog->setObjectName(QStringLiteral("btnSaveLog"));
    btnSaveLog->setAccessibleName(QStringLiteral("Save diagnostic log"));
    btnClearLog = new QPushButton(QStringLiteral("C&lear"));
    btnClearLog->setObjectName(QStringLiteral("btnClearLog"));
    btnClearLog->setAccessibleName(QStringLiteral("Clear diagnostic log"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSaveLog);
    buttons->addWidget(btnClearLog);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblLog);
    layout->addWidget(mmoLog, 1);
    layout->addLayout(buttons);

    connect(btnSaveLog, &QPushButton::clicked, this, [this] { emit statusText(2, SaveLog()); });
    connect(btnClearLog, &QPushButton::clicked, this, &DiagnosticLogPage::ClearLog);
}

QString DiagnosticLogPage::SaveLog() {
    QString path = prompts->SaveFileName(QStringLiteral("Save diagnostic log"),
                                         QStringLiteral("Text files (*.txt);;All files (*)"),
                                         QStringLiteral("matrix-tool-log.txt"));
    if (path.isEmpty())
        return QStringLiteral("Save cancelled");
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    if (QFileInfo::exists(path) && !prompts->Question(QStringLiteral("File: [") + path +
                                                      QStringLiteral("] exists, overwrite it?")))
        return QStringLiteral("Save cancelled");
    QSaveFile file(path);
    const QByteArray bytes = (mmoLog->toPlainText() + QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Unable to write to ") + path;
    return QStringLiteral("Log saved to ") + path;
}

void DiagnosticLogPage::ClearLog() {
    mmoLog->clear();
}
