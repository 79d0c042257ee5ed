#pragma once
// Runs the built matrix-cli as a process of its own, with the link's waits
// shortened, and keeps what it printed and how it ended.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QtTest>

struct CliRun {
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;

    QStringList outLines() const {
        return QString::fromUtf8(out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The one JSON object of --json (empty when standard output is not
    // exactly one object on one line).
    QJsonObject json() const {
        const QStringList lines = outLines();
        if (lines.size() != 1)
            return {};
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(lines.first().toUtf8(), &error);
        return error.error == QJsonParseError::NoError && doc.isObject() ? doc.object()
                                                                         : QJsonObject();
    }
};

inline QProcessEnvironment cliEnvironment(const QString &timing = QStringLiteral("fast")) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MATRIX_LINK_TIMING"), timing);
    return env;
}

// Starts the program; the caller waits (or signals it) itself.
inline void startCli(QProcess &p, const QStringList &arguments,
                     const QProcessEnvironment &env = cliEnvironment()) {
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(MATRIX_CLI_PATH), arguments);
}

inline CliRun finishCli(QProcess &p, int timeoutMs = 120000) {
    CliRun r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished();
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    // A sanitizer report of the program reaches the test's own output, where
    // the sanitized suite looks for it.
    if (r.err.contains("runtime error: ") || r.err.contains("ERROR: AddressSanitizer") ||
        r.err.contains("ERROR: LeakSanitizer"))
        qWarning().noquote() << "matrix-cli:" << QString::fromUtf8(r.err);
    return r;
}

inline CliRun runCli(const QStringList &arguments,
                     const QProcessEnvironment &env = cliEnvironment(), int timeoutMs = 120000) {
    QProcess p;
    startCli(p, arguments, env);
    return finishCli(p, timeoutMs);
}

// The options that reach the simulator over TCP on 127.0.0.1.
inline QStringList tcpTo(quint16 port) {
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1"), QStringLiteral("--tcp-port"),
            QString::number(port)};
}
