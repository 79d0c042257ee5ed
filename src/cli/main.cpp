// matrix-cli: the tool's engine and workflows from a shell, for scripts that
// maintain a fleet of units.
#include "cli/CliCommand.h"
#include "cli/CliReport.h"
#include "cli/CliSession.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("matrix-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MATRIX_TOOL_VERSION));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CliStreams io{out, err};

    CliOptions options = ParseCliOptions(app.arguments().mid(1));
    if (!options.error.isEmpty()) {
        err << "matrix-cli: " << options.error << Qt::endl << CliUsage();
        return ExitCode(CliExit::BadInput);
    }
    if (options.version) {
        out << "matrix-cli " << MATRIX_TOOL_VERSION << Qt::endl;
        return ExitCode(CliExit::Success);
    }
    if (options.help || options.words.isEmpty()) {
        (options.help ? out : err) << CliUsage();
        return ExitCode(options.help ? CliExit::Success : CliExit::BadInput);
    }

    // Waits of the link (tests, slow serial bridges): see CliSession::ApplyTiming.
    const QString timing = qEnvironmentVariable("MATRIX_LINK_TIMING");
    QString timingError;
    if (!timing.isEmpty() && !CliSession::ApplyTiming(timing, &timingError)) {
        err << "matrix-cli: " << timingError << Qt::endl;
        return ExitCode(CliExit::BadInput);
    }

    for (const CliCommand &c : CliCommands()) {
        if (options.words.size() < c.words.size() ||
            options.words.mid(0, c.words.size()) != c.words)
            continue;
        QStringList arguments = options.words.mid(c.words.size());
        for (const QString &flag : c.flags) {
            if (arguments.removeAll(flag) > 0)
                options.flags << flag;
        }
        const QString name = c.words.join(QLatin1Char(' '));
        if (arguments.size() != c.argumentCount) {
            CliReport report(name, options.json, out, err);
            report.Finish(CliExit::BadInput,
                          QStringLiteral("takes %1 argument(s)").arg(c.argumentCount));
            err << CliUsage();
            return ExitCode(CliExit::BadInput);
        }
        if (c.needsLink && !options.hasLink()) {
            CliReport report(name, options.json, out, err);
            return ExitCode(report.Finish(CliExit::BadInput,
                                          QStringLiteral("needs --tcp HOST or --serial DEVICE")));
        }
        return ExitCode(c.run(options, arguments, io));
    }
    CliReport report(options.words.join(QLatin1Char(' ')), options.json, out, err);
    report.Finish(CliExit::BadInput, QStringLiteral("unknown command"));
    err << CliUsage();
    return ExitCode(CliExit::BadInput);
}
