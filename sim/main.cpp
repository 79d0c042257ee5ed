// matrix-sim: the simulated matrix on TCP and/or a pseudo-terminal, until
// SIGINT or SIGTERM.

#include "BoardUnit.h"
#include "MatrixSimulator.h"
#include "ModuleSim.h"
#include "protocol/ModuleConfigRecord.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    if (write(signalPipe[0], &byte, 1) < 0) {
        // Nothing else can be done inside a signal handler.
    }
}

const char *Usage =
    "Usage: matrix-sim [options]\n"
    "Simulates the 8x8 matrix switch: its command protocol on TCP and/or a\n"
    "pseudo-terminal, with line-speed pacing and fault injection.\n"
    "\n"
    "  --tcp HOST:PORT     listen for TCP clients (default 127.0.0.1:8000)\n"
    "  --no-tcp            no TCP server\n"
    "  --pty [LINK]        create a pseudo-terminal; LINK becomes a symlink to it\n"
    "  --baud N            pacing of the pseudo-terminal (default 57600, 8N1)\n"
    "  --no-pace           no pacing on the pseudo-terminal\n"
    "  --delay MS          processing delay before every reply\n"
    "  --fault KIND[,KIND] random faults: drop, checksum, status, echo, split,\n"
    "                      stray, delay, close, block\n"
    "  --fault-rate R      probability (0..1) that a reply gets a fault (default 0.1\n"
    "                      when --fault is given)\n"
    "  --fault-delay MS    how long the delay fault holds a reply (default 25000)\n"
    "  --seed N            seed of the fault generator (default 1)\n"
    "  --edid-dir DIR      preload the outputs from the 256-byte *.bin files in DIR\n"
    "                      (\"-\": built-in EDIDs only)\n"
    "  --power off         start with the unit powered off\n"
    "  --unit FILE         the boards of the unit from a unit file (default: a main\n"
    "                      board, 2 input cards and 2 output cards)\n"
    "  --print-unit        print the built-in unit as a unit file and exit\n"
    "\n"
    "Matrix control state (routing, work mode, multi-view, video wall, audio, video\n"
    "source and type, POH, IR and RS-232 routes; every set and read of the control\n"
    "pages is answered from it):\n"
    "  --routing LIST      inputs of outputs 1..8, e.g. 1,2,3,4,5,6,7,8 (the default)\n"
    "  --work-mode MODE    matrix, multiview or videowall (default matrix)\n"
    "  --refuse-switch LIST  refuse (status 0xFF) switching these outputs, e.g. 3,5\n"
    "  --log-control       print every control setting taken or refused\n"
    "\n"
    "The built-in TCP control module (answers LDCD packets on the pseudo-terminal):\n"
    "  --module-mac MAC    its MAC (default 18-98-66-00-00-01)\n"
    "  --module-ip IP      its address (default 192.168.0.100); also --module-gateway,\n"
    "                      --module-mask\n"
    "  --module-tag TAG    its device tag (default \"TCP Module\")\n"
    "  --module-dhcp       it reports Auto IP\n"
    "  --module-version M.N  its firmware version (default 2.07)\n"
    "  --module-config accept|conflict|fail|silent\n"
    "                      how it answers configuration records (default accept)\n"
    "  --module-udp [ADDR] answer discovery (UDP 30600) and configuration (UDP 30601)\n"
    "                      on ADDR (default 127.0.0.1; use 0.0.0.0 only inside a\n"
    "                      network namespace of your own)\n"
    "  --module MAC,IP[,TAG] one more module on UDP (repeatable)\n"
    "  --module-reply-broadcast  answer UDP requests by broadcast\n"
    "  --version           the version and exit\n"
    "  --help              this text\n";

bool splitHostPort(const QString &text, QString *host, quint16 *port) {
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    if (colon < 0) {
        const uint value = text.toUInt(&ok);
        if (ok && value <= 65535) {
            *port = quint16(value);
            return true;
        }
        *host = text;
        return !text.isEmpty();
    }
    const uint value = text.mid(colon + 1).toUInt(&ok);
    if (!ok || value > 65535)
        return false;
    *host = text.left(colon);
    *port = quint16(value);
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    SimOptions options;
    options.tcpPort = 8000;
    FaultSettings faults;
    faults.delayMs = 25000;
    bool faultRateGiven = false;
    bool powerOff = false;
    bool logControl = false;
    QList<int> refuseSwitch;
    QList<int> routing;
    int workMode = -1;
    auto parseList = [](const QString &text, QList<int> *into) {
        into->clear();
        for (const QString &piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int n = piece.trimmed().toInt(&ok);
            if (!ok || n < 0 || n > 255)
                return false;
            into->append(n);
        }
        return !into->isEmpty();
    };
    BoardUnit unit = BoardUnit::defaultUnit();
    ModuleInfo module;
    QList<ModuleInfo> extraModules;
    bool moduleUdp = false;
    ModuleSimOptions udp;

    const QStringList args = app.arguments().mid(1);
    auto fail = [&err](const QString &text) {
        err << "matrix-sim: " << text << "\n"
            << "Try --help.\n";
        err.flush();
        return 2;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        auto value = [&](QString *into) {
            if (i + 1 >= args.size() || args[i + 1].startsWith(QLatin1String("--")))
                return false;
            *into = args[++i];
            return true;
        };
        QString v;
        bool ok = true;
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            out << Usage;
            return 0;
        } else if (arg == QLatin1String("--version")) {
            out << "matrix-sim " << MATRIX_TOOL_VERSION << "\n";
            return 0;
        } else if (arg == QLatin1String("--tcp")) {
            if (!value(&v) || !splitHostPort(v, &options.tcpHost, &options.tcpPort))
                return fail(QStringLiteral("--tcp needs HOST:PORT"));
            options.tcp = true;
        } else if (arg == QLatin1String("--no-tcp")) {
            options.tcp = false;
        } else if (arg == QLatin1String("--pty")) {
            options.pty = true;
            if (value(&v))
                options.ptyLink = v;
        } else if (arg == QLatin1String("--baud")) {
            if (!value(&v) || (options.baud = v.toInt(&ok)) <= 0 || !ok)
                return fail(QStringLiteral("--baud needs a positive number"));
        } else if (arg == QLatin1String("--no-pace")) {
            options.pace = false;
        } else if (arg == QLatin1String("--delay")) {
            if (!value(&v) || (options.processingDelayMs = v.toInt(&ok)) < 0 || !ok)
                return fail(QStringLiteral("--delay needs milliseconds"));
        } else if (arg == QLatin1String("--fault")) {
            if (!value(&v))
                return fail(QStringLiteral("--fault needs a list of kinds"));
            for (const QString &name : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                FaultKind kind;
                if (!parseFaultKind(name, &kind))
                    return fail(QStringLiteral("unknown fault kind: %1").arg(name));
                if (kind != FaultKind::None)
                    faults.kinds << kind;
            }
        } else if (arg == QLatin1String("--fault-rate")) {
            if (!value(&v) || (faults.rate = v.toDouble(&ok)) < 0 || faults.rate > 1 || !ok)
                return fail(QStringLiteral("--fault-rate needs a number from 0 to 1"));
            faultRateGiven = true;
        } else if (arg == QLatin1String("--fault-delay")) {
            if (!value(&v) || (faults.delayMs = v.toInt(&ok)) < 0 || !ok)
                return fail(QStringLiteral("--fault-delay needs milliseconds"));
        } else if (arg == QLatin1String("--seed")) {
            if (!value(&v))
                return fail(QStringLiteral("--seed needs a number"));
            options.seed = v.toUInt(&ok);
            if (!ok)
                return fail(QStringLiteral("--seed needs a number"));
        } else if (arg == QLatin1String("--edid-dir")) {
            if (!value(&v))
                return fail(QStringLiteral("--edid-dir needs a folder"));
            options.edidDir = v;
        } else if (arg == QLatin1String("--power")) {
            if (!value(&v) || (v != QLatin1String("on") && v != QLatin1String("off")))
                return fail(QStringLiteral("--power needs on or off"));
            powerOff = v == QLatin1String("off");
        } else if (arg == QLatin1String("--routing")) {
            if (!value(&v) || !parseList(v, &routing) || routing.size() != 8)
                return fail(QStringLiteral("--routing needs eight input numbers"));
        } else if (arg == QLatin1String("--work-mode")) {
            value(&v);
            if (v == QLatin1String("matrix"))
                workMode = 0;
            else if (v == QLatin1String("multiview"))
                workMode = 1;
            else if (v == QLatin1String("videowall"))
                workMode = 2;
            else
                return fail(QStringLiteral("--work-mode needs matrix, multiview or videowall"));
        } else if (arg == QLatin1String("--refuse-switch")) {
            if (!value(&v) || !parseList(v, &refuseSwitch))
                return fail(QStringLiteral("--refuse-switch needs output numbers"));
        } else if (arg == QLatin1String("--log-control")) {
            logControl = true;
        } else if (arg == QLatin1String("--unit")) {
            if (!value(&v))
                return fail(QStringLiteral("--unit needs a unit file"));
            QString why;
            if (!unit.load(v, &why))
                return fail(QStringLiteral("bad unit file: %1").arg(why));
        } else if (arg == QLatin1String("--print-unit")) {
            out << BoardUnit::defaultUnitText();
            return 0;
        } else if (arg == QLatin1String("--module-mac")) {
            if (!value(&v) || !module.setMacText(v))
                return fail(QStringLiteral("--module-mac needs a MAC like 18-98-66-00-00-01"));
        } else if (arg == QLatin1String("--module-ip") ||
                   arg == QLatin1String("--module-gateway") ||
                   arg == QLatin1String("--module-mask")) {
            QHostAddress address;
            if (!value(&v) || !address.setAddress(v) ||
                address.protocol() != QAbstractSocket::IPv4Protocol)
                return fail(QStringLiteral("%1 needs an IPv4 address").arg(arg));
            (arg == QLatin1String("--module-ip")        ? module.ip
             : arg == QLatin1String("--module-gateway") ? module.gateway
                                                        : module.mask) = address;
        } else if (arg == QLatin1String("--module-tag")) {
            if (!value(&v))
                return fail(QStringLiteral("--module-tag needs a text"));
            module.tag = v.left(32);
        } else if (arg == QLatin1String("--module-dhcp")) {
            module.dhcp = true;
        } else if (arg == QLatin1String("--module-version")) {
            const QStringList parts = value(&v) ? v.split(QLatin1Char('.')) : QStringList();
            bool okMinor = false;
            if (parts.size() != 2)
                return fail(QStringLiteral("--module-version needs MAJOR.MINOR"));
            module.versionMajor = uint8_t(parts[0].toUInt(&ok));
            module.versionMinor = uint8_t(parts[1].toUInt(&okMinor));
            if (!ok || !okMinor)
                return fail(QStringLiteral("--module-version needs MAJOR.MINOR"));
        } else if (arg == QLatin1String("--module-config")) {
            value(&v);
            if (v == QLatin1String("accept"))
                module.configStatus = 0x00;
            else if (v == QLatin1String("conflict"))
                module.configStatus = ModuleConfigRecord::StatusConflict;
            else if (v == QLatin1String("fail"))
                module.configStatus = ModuleConfigRecord::StatusFailure;
            else if (v == QLatin1String("silent"))
                module.answerConfig = false;
            else
                return fail(
                    QStringLiteral("--module-config needs accept, conflict, fail or silent"));
        } else if (arg == QLatin1String("--module-udp")) {
            moduleUdp = true;
            if (value(&v) && !udp.bindAddress.setAddress(v))
                return fail(QStringLiteral("--module-udp needs an address"));
        } else if (arg == QLatin1String("--module")) {
            const QStringList parts = value(&v) ? v.split(QLatin1Char(',')) : QStringList();
            ModuleInfo extra;
            extra.tag = parts.value(2, extra.tag).left(32);
            if (parts.size() < 2 || !extra.setMacText(parts[0]) || !extra.ip.setAddress(parts[1]))
                return fail(QStringLiteral("--module needs MAC,IP[,TAG]"));
            extraModules << extra;
        } else if (arg == QLatin1String("--module-reply-broadcast")) {
            udp.replyBroadcast = true;
        } else {
            return fail(QStringLiteral("unknown option: %1").arg(arg));
        }
    }
    if (!faults.kinds.isEmpty() && !faultRateGiven)
        faults.rate = 0.1;
    if (!options.tcp && !options.pty)
        return fail(QStringLiteral("nothing to serve: give --tcp or --pty"));

    // An installed simulator finds its sample EDIDs beside itself.
    if (options.edidDir.isEmpty()) {
        const QString installed =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/matrix-tool/edid");
        if (!QFileInfo::exists(QStringLiteral(MATRIXSIM_DEFAULT_EDID_DIR)) &&
            QFileInfo::exists(installed))
            options.edidDir = installed;
    }
    MatrixSimulator sim(options);
    sim.setFaults(faults);
    sim.withState([&](MatrixState &s) {
        s.powerOn = !powerOff;
        s.module = module;
        for (int i = 0; i < routing.size() && i < MatrixState::PortCount; ++i)
            s.routing[i] = uint8_t(routing[i]);
        if (workMode >= 0)
            s.workMode = uint16_t(workMode);
        s.refuseSwitchOutputs = refuseSwitch;
        s.unit = unit;
    });
    QString error;
    if (!sim.start(&error)) {
        err << "matrix-sim: " << error << "\n";
        return 1;
    }

    if (options.tcp)
        out << "TCP: " << options.tcpHost << ":" << sim.tcpPort() << "\n";
    if (options.pty) {
        out << "PTY: " << sim.ptyPath();
        if (!options.ptyLink.isEmpty())
            out << " (link " << options.ptyLink << ")";
        out << " at " << options.baud << " baud" << (options.pace ? "" : ", not paced") << "\n";
    }
    ModuleSim modules(udp);
    if (moduleUdp) {
        modules.addMatrixModule(&sim);
        for (const ModuleInfo &extra : extraModules)
            modules.addModule(extra);
        if (!modules.start(&error)) {
            err << "matrix-sim: " << error << "\n";
            return 1;
        }
        out << "UDP: modules on " << udp.bindAddress.toString() << " ports " << udp.discoveryPort
            << "/" << udp.configPort << (udp.replyBroadcast ? ", replies by broadcast" : "")
            << "\n";
        for (int i = 0; i < modules.moduleCount(); ++i) {
            const ModuleInfo m = modules.module(i);
            out << "  module " << m.macText() << " " << m.ip.toString() << " \"" << m.tag << "\"\n";
        }
    }
    out << "Unit: " << unit.boards.size() << " boards\n";
    if (faults.rate > 0)
        out << "Faults: rate " << faults.rate << ", seed " << options.seed << "\n";
    out << "Running; stop with Ctrl+C." << Qt::endl;

    // The control log, printed as it grows.
    QTimer controlLogTimer;
    qint64 printed = 0; // lines printed since the start
    if (logControl) {
        QObject::connect(&controlLogTimer, &QTimer::timeout, &app, [&] {
            QStringList lines;
            sim.withState([&](MatrixState &s) {
                const qint64 from = std::max<qint64>(0, printed - s.controlLogDropped);
                lines = s.controlLog.mid(from);
                printed = s.controlLogDropped + s.controlLog.size();
            });
            for (const QString &line : lines)
                out << "control: " << line << "\n";
            if (!lines.isEmpty())
                out.flush();
        });
        controlLogTimer.start(100);
    }

    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
            char byte;
            if (read(signalPipe[1], &byte, 1) >= 0)
                app.quit();
        });
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
    }
    const int code = app.exec();
    modules.stop();
    sim.stop();
    out << "Stopped." << Qt::endl;
    return code;
}
