#pragma once
// The one way the tool asks the user something: message boxes, Yes/No
// questions, file dialogs and modal dialogs all go through here, so that
// tests can answer them without a person.

#include <QList>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

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

    explicit PromptService(QWidget *parent = nullptr) : FParent(parent) {}

    void setParent(QWidget *parent) { FParent = parent; }
    // Install an automatic answerer (tests); an empty responder restores the real dialogs.
    void setResponder(Responder responder) { FResponder = std::move(responder); }
    bool hasResponder() const { return static_cast<bool>(FResponder); }

    void Information(const QString &text);
    void Error(const QString &text);
    bool Question(const QString &text);
    QString OpenFileName(const QString &caption, const QString &filter,
                         const QString &fileName = QString());
    QString SaveFileName(const QString &caption, const QString &filter,
                         const QString &fileName = QString());
    int ExecDialog(QDialog *dialog);

    // Every prompt shown, in order (tests read and clear it).
    QList<Request> History;

private:
    Answer ask(const Request &request);

    QWidget *FParent = nullptr;
    Responder FResponder;
};
