#include "cli/CliPrompts.h"

namespace {
// Message texts carry CR LF between their lines.
QString oneLine(const QString &text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
    s.replace(QLatin1Char('\n'), QStringLiteral(" / "));
    return s;
}
} // namespace

PromptService::Responder CliPrompts::Responder(QTextStream &err) {
    return [&err](const PromptService::Request &r) {
        PromptService::Answer a;
        switch (r.kind) {
        case PromptService::Kind::Information:
            err << "note: " << oneLine(r.text) << Qt::endl;
            break;
        case PromptService::Kind::Error:
            err << "error: " << oneLine(r.text) << Qt::endl;
            break;
        case PromptService::Kind::Question:
            a.yes = true;
            err << "question: " << oneLine(r.text) << " -> Yes" << Qt::endl;
            break;
        case PromptService::Kind::OpenFile:
        case PromptService::Kind::SaveFile:
            err << "file dialog: " << oneLine(r.text) << " -> cancelled" << Qt::endl;
            break;
        case PromptService::Kind::Dialog:
            a.dialogResult = 0; // rejected
            err << "dialog: " << oneLine(r.text) << " -> cancelled" << Qt::endl;
            break;
        }
        return a;
    };
}

QString CliPrompts::Usage() {
    return QStringLiteral(
        "Questions the workflows ask are answered without waiting for input:\n"
        "  Yes/No questions   Yes (for example upgrading over TCP/IP; the command\n"
        "                     line asked for the action)\n"
        "  messages           printed on standard error as \"note:\" or \"error:\"\n"
        "  file dialogs       cancelled (files come from the command line)\n"
        "  product information: the reminder to power up the unit first is\n"
        "                     taken as confirmed\n"
        "  edid read: an existing FILE is replaced (written atomically)\n"
        "  upgrade: a unit that does not answer the main board's boot-code read\n"
        "           three rounds running ends the run (exit 4)\n");
}
