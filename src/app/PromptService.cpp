#include "app/PromptService.h"

PromptService::Answer PromptService::ask(const Request &request) {
    History.append(request);
    if (FResponder)
        return FResponder(request);
    if (FPresenter)
        return FPresenter(request);
    return Answer();
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

int PromptService::ExecDialog(QDialog *dialog, const QString &name) {
    Request r;
    r.kind = Kind::Dialog;
    r.dialog = dialog;
    r.title = name;
    return ask(r).dialogResult;
}
