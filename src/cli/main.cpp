// matrix-cli: the tool's engine and workflows from a shell, for scripts that
// maintain a fleet of units.
#include "cli/CliCommand.h"

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

    for (const CliCommand &c : CliCommands()) {
        if (options.words.size() < c.words.size() ||
            options.words.mid(0, c.words.size()) != c.words)
            continue;
        const QStringList arguments = options.words.mid(c.words.size());
        if (arguments.size() != c.argumentCount) {
            err << "matrix-cli: " << c.words.join(QLatin1Char(' ')) << " takes " << c.argumentCount
                << " argument(s)" << Qt::endl
                << CliUsage();
            return ExitCode(CliExit::BadInput);
        }
        if (c.needsLink && !options.hasLink()) {
            err << "matrix-cli: " << c.words.join(QLatin1Char(' '))
                << " needs --tcp HOST or --serial DEVICE" << Qt::endl;
            return ExitCode(CliExit::BadInput);
        }
        return ExitCode(c.run(options, arguments, io));
    }
    err << "matrix-cli: unknown command: " << options.words.join(QLatin1Char(' ')) << Qt::endl
        << CliUsage();
    return ExitCode(CliExit::BadInput);
}
