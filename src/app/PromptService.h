#pragma once
// The one way the tool asks the user something: message boxes, Yes/No
// questions, file dialogs and modal dialogs all go through here. Who answers
// is installed: the window installs the real dialogs (a presenter), tests
// install a responder that answers and records. No widgets here.

#include <QList>
#include <QString>
#include <functional>

class QDialog;

class PromptService {
public:
    enum class Kind { Information, Error, Question, OpenFile, SaveFile, Dialog };

    struct Request {
        Kind kind = Kind::Information;
        QString title;
        QString text;              // message, or the file dialog's caption
        QString filter;            // file dialogs
        QString fileName;          // file dialogs: proposed file
        QDialog *dialog = nullptr; // Kind::Dialog
    };

    struct Answer {
        bool yes = false;     // Question: Yes
        QString fileName;     // file dialogs: empty = cancelled
        int dialogResult = 0; // Dialog: QDialog::Accepted / Rejected
    };

    using Responder = std::function<Answer(const Request &)>;

    PromptService() = default;

    // The real dialogs (installed by the window). Without one, every prompt
    // is answered No / cancelled.
    void setPresenter(Responder presenter) { FPresenter = std::move(presenter); }
    // An automatic answerer (tests); it takes precedence over the presenter.
    // An empty responder restores the presenter.
    void setResponder(Responder responder) { FResponder = std::move(responder); }
    bool hasResponder() const { return static_cast<bool>(FResponder); }

    void Information(const QString &text);
    void Error(const QString &text);
    bool Question(const QString &text);
    QString OpenFileName(const QString &caption, const QString &filter,
                         const QString &fileName = QString());
    QString SaveFileName(const QString &caption, const QString &filter,
                         const QString &fileName = QString());
    int ExecDialog(QDialog *dialog, const QString &name = QString());

    // Every prompt shown, in order (tests read and clear it).
    QList<Request> History;

private:
    Answer ask(const Request &request);

    Responder FPresenter;
    Responder FResponder;
};
