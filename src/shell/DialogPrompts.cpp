#include "shell/DialogPrompts.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

void DialogPrompts::install(PromptService &prompts, QWidget *parent) {
    QPointer<QWidget> owner(parent);
    prompts.setPresenter(
        [owner](const PromptService::Request &request) { return present(owner.data(), request); });
}

PromptService::Answer DialogPrompts::present(QWidget *parent,
                                             const PromptService::Request &request) {
    using Kind = PromptService::Kind;
    PromptService::Answer answer;
    const QString title = QApplication::applicationDisplayName();
    switch (request.kind) {
    case Kind::Information:
        QMessageBox::information(parent, title, request.text);
        break;
    case Kind::Error:
        QMessageBox::critical(parent, title, request.text);
        break;
    case Kind::Question:
        answer.yes = QMessageBox::question(parent, title, request.text,
                                           QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
        break;
    case Kind::OpenFile:
        answer.fileName =
            QFileDialog::getOpenFileName(parent, request.text, request.fileName, request.filter);
        break;
    case Kind::SaveFile:
        // The caller asks about overwriting itself.
        answer.fileName =
            QFileDialog::getSaveFileName(parent, request.text, request.fileName, request.filter,
                                         nullptr, QFileDialog::DontConfirmOverwrite);
        break;
    case Kind::Dialog:
        answer.dialogResult = request.dialog ? request.dialog->exec() : QDialog::Rejected;
        break;
    }
    return answer;
}
