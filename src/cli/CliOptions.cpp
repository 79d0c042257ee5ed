#include "cli/CliOptions.h"

#include "cli/CliPrompts.h"

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
               "  --tcp HOST        the unit's TCP control module (port 8000 unless --tcp-port)\n"
               "  --serial DEVICE   a serial port or device path (57600 8N1), e.g. /dev/ttyUSB0\n"
               "  --json            one JSON object per command on standard output\n"
               "  --trace FILE      write a frame trace\n"
               "  --version, --help\n"
               "\n"
               "Commands:\n"
               "  status                           power, device kind, port counts, firmware "
               "version\n"
               "  power on|off                     turn the unit on or off (read back)\n"
               "  edid read PORT FILE              save the EDID of PORT (Out 1..8, User EDID 1|2 "
               "Memory)\n"
               "  edid write FILE PORT             download FILE to PORT (In 1..8, All Inputs,\n"
               "                                   User EDID 1|2 Memory); the file is checked "
               "first\n"
               "  edid decode FILE                 decode an EDID file (no unit needed)\n"
               "  route OUTPUT INPUT               switch output 1..8 to input 1..8\n"
               "  info                             product information: the unit's boards\n"
               "  upgrade PACKAGE [--board-info-only]\n"
               "                                   upgrade from a .fw2 package or a .fw file,\n"
               "                                   every board it can serve\n"
               "\n"
               "PORT names are those of the EDID page, case and blanks ignored: \"Out 3\",\n"
               "out3, \"All Inputs\", user1. Commands other than status, power, info and\n"
               "upgrade need the unit on. Progress and messages go to standard error.\n"
               "\n") +
           CliPrompts::Usage() +
           QStringLiteral("\n"
                          "Exit codes: 0 done, 1 failed, 2 bad input, 3 refused by the unit,\n"
                          "            4 the unit did not answer, 5 no link, 6 the unit is off.\n"
                          "Ctrl-C (SIGINT, SIGTERM) stops a running command at its next check.\n");
}
