#include "shell/PromptService.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

PromptService::Answer PromptService::ask(const Request &request) {
    History.append(request);
    if (FResponder)
        return FResponder(request);

    Answer answer;
    const QString title = QApplication::applicationDisplayName();
    switch (request.kind) {
    case Kind::Information:
        QMessageBox::information(FParent, title, request.text);
        break;
    case Kind::Error:
        QMessageBox::critical(FParent, title, request.text);
        break;
    case Kind::Question:
        answer.yes = QMessageBox::question(FParent, title, request.text,
                                           QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        break;
    case Kind::OpenFile:
        answer.fileName =
            QFileDialog::getOpenFileName(FParent, request.text, request.fileName, request.filter);
        break;
    case Kind::SaveFile:
        // The caller asks about overwriting itself.
        answer.fileName =
            QFileDialog::getSaveFileName(FParent, request.text, request.fileName, request.filter,
                                         nullptr, QFileDialog::DontConfirmOverwrite);
        break;
    case Kind::Dialog:
        answer.dialogResult = request.dialog ? request.dialog->exec() : QDialog::Rejected;
        break;
    }
    return answer;
}

void PromptService::Information(const QString &text) {
    Request r;
    r.kind = Kind::Information;
    r.text = text;
    ask(r);
}

void PromptService::Error(const QString &text) {
    Request r;
    r.kind = Kind::Error;
    r.text = text;
    ask(r);
}

bool PromptService::Question(const QString &text) {
    Request r;
    r.kind = Kind::Question;
    r.text = text;
    return ask(r).yes;
}

QString PromptService::OpenFileName(const QString &caption, const QString &filter,
                                    const QString &fileName) {
    Request r;
    r.kind = Kind::OpenFile;
    r.text = caption;
    r.filter = filter;
    r.fileName = fileName;
    return ask(r).fileName;
}

QString PromptService::SaveFileName(const QString &caption, const QString &filter,
                                    const QString &fileName) {
    Request r;
    r.kind = Kind::SaveFile;
    r.text = caption;
    r.filter = filter;
    r.fileName = fileName;
    return ask(r).fileName;
}

int PromptService::ExecDialog(QDialog *dialog) {
    Request r;
    r.kind = Kind::Dialog;
    r.dialog = dialog;
    r.title = dialog ? dialog->objectName() : QString();
    return ask(r).dialogResult;
}
