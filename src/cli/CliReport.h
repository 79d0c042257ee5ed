#pragma once
// What one command prints on standard output: text lines, or with --json
// exactly one JSON object. Every command ends through Finish(), which adds
// the outcome ("exit", "exitCode" and, on failure, "error") and prints.

#include "cli/CliExit.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QTextStream>

class CliReport {
public:
    CliReport(const QString &command, bool json, QTextStream &out, QTextStream &err);

    // A field of the JSON object (ignored in text mode).
    void set(const QString &key, const QJsonValue &value) { FObject.insert(key, value); }
    // A line of the text output (ignored with --json).
    void line(const QString &text) { FLines << text; }

    // Prints and returns `exit`. `error` is the failure in words (standard
    // error in text mode, "error" in the JSON object).
    CliExit Finish(CliExit exit, const QString &error = QString());

    static QString ExitName(CliExit exit);

private:
    QString FCommand;
    bool FJson;
    QTextStream &FOut;
    QTextStream &FErr;
    QJsonObject FObject;
    QStringList FLines;
};
