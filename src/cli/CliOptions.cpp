#include "cli/CliOptions.h"

bool CliOptions::takeFlag(const QString &flag) {
    const int i = words.indexOf(flag);
    if (i < 0)
        return false;
    words.removeAt(i);
    return true;
}

CliOptions ParseCliOptions(const QStringList &arguments) {
    CliOptions o;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        auto value = [&](QString &into) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return;
            }
            into = arguments.at(++i);
        };
        if (a == QLatin1String("--tcp")) {
            value(o.tcpHost);
        } else if (a == QLatin1String("--serial")) {
            value(o.serialDevice);
        } else if (a == QLatin1String("--trace")) {
            value(o.traceFile);
        } else if (a == QLatin1String("--tcp-port")) {
            QString text;
            value(text);
            bool ok = false;
            const int port = text.toInt(&ok);
            if (!text.isEmpty() && (!ok || port < 1 || port > 65535))
                o.error = QStringLiteral("--tcp-port needs a port number 1..65535");
            else if (ok)
                o.tcpPort = port;
        } else if (a == QLatin1String("--json")) {
            o.json = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else {
            o.words << a;
        }
        if (!o.error.isEmpty())
            return o;
    }
    if (!o.tcpHost.isEmpty() && !o.serialDevice.isEmpty())
        o.error = QStringLiteral("give either --tcp or --serial, not both");
    return o;
}

QString CliUsage() {
    return QStringLiteral(
        "Usage: matrix-cli [--tcp HOST [--tcp-port N] | --serial DEVICE] [--json] "
        "[--trace FILE] COMMAND ...\n"
        "\n"
        "Commands:\n"
        "  edid decode FILE                 decode an EDID file (no unit needed)\n"
        "\n"
        "Exit codes: 0 done, 1 failed, 2 bad input, 3 refused by the unit,\n"
        "            4 the unit did not answer, 5 no link.\n");
}
