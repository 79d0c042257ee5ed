#include "cli/CliReport.h"

#include <QJsonDocument>

CliReport::CliReport(const QString &command, bool json, QTextStream &out, QTextStream &err)
    : FCommand(command), FJson(json), FOut(out), FErr(err) {}

QString CliReport::ExitName(CliExit exit) {
    switch (exit) {
    case CliExit::Success:
        return QStringLiteral("success");
    case CliExit::Failed:
        return QStringLiteral("failed");
    case CliExit::BadInput:
        return QStringLiteral("bad-input");
    case CliExit::Refused:
        return QStringLiteral("refused");
    case CliExit::TimedOut:
        return QStringLiteral("timed-out");
    case CliExit::NoLink:
        return QStringLiteral("no-link");
    case CliExit::PoweredOff:
        return QStringLiteral("powered-off");
    }
    return QStringLiteral("failed");
}

CliExit CliReport::Finish(CliExit exit, const QString &error) {
    if (FJson) {
        QJsonObject o = FObject;
        o.insert(QStringLiteral("command"), FCommand);
        o.insert(QStringLiteral("ok"), exit == CliExit::Success);
        o.insert(QStringLiteral("exit"), ExitName(exit));
        o.insert(QStringLiteral("exitCode"), ExitCode(exit));
        if (!error.isEmpty())
            o.insert(QStringLiteral("error"), error);
        FOut << QJsonDocument(o).toJson(QJsonDocument::Compact) << Qt::endl;
    } else {
        for (const QString &l : FLines)
            FOut << l << '\n';
        FOut.flush();
        if (!error.isEmpty())
            FErr << "matrix-cli: " << FCommand << ": " << error << Qt::endl;
    }
    return exit;
}
