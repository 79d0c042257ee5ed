// matrix-cli as a script runs it: the built program against the simulator
// over TCP on 127.0.0.1 and over its pseudo-terminal. Status, power, routing
// and the EDID transfers, their text and JSON output and exit codes: refusals
// by the unit, a unit that does not answer, a link that cannot be opened, a
// unit that is off, and bad input (nothing is sent then).

#include "CliRun.h"
#include "MatrixSimulator.h"
#include "MatrixState.h"

#include <QJsonArray>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Success = 0, Failed = 1, BadInput = 2, Refused = 3, TimedOut = 4, NoLink = 5,
              PoweredOff = 6;

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A valid EDID other than what the inputs hold.
QByteArray sampleEdid() {
    QByteArray edid = MatrixState::builtInEdid(2);
    return edid;
}

} // namespace

class TestMatrixCli : public QObject {
    Q_OBJECT

    std::unique_ptr<MatrixSimulator> sim;
    QTemporaryDir dir;

    QStringList tcp() const { return tcpTo(sim->tcpPort()); }
    QString path(const QString &name) const { return dir.filePath(name); }
    int framesReceived() const { return int(sim->frameLog().size()); }

private slots:
    void init() {
        SimOptions o;
        o.edidDir = QStringLiteral("-");
        sim = std::make_unique<MatrixSimulator>(o);
        QVERIFY(sim->start());
    }
    void cleanup() { sim.reset(); }

    // ---- status and power -------------------------------------------------

    void statusText() {
        const CliRun r = runCli(tcp() << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.outLines(),
                 (QStringList{QStringLiteral("Power: On"), QStringLiteral("Device: Matrix, 8x8"),
                              QStringLiteral("Version: 2.03")}));
        // Progress goes to standard error, never into the result.
        QVERIFY(r.err.contains("Getting Power status ..."));
    }

    void statusJson() {
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Success);
        const QJsonObject o = r.json();
        QCOMPARE(o.value("command").toString(), QStringLiteral("status"));
        QCOMPARE(o.value("ok").toBool(), true);
        QCOMPARE(o.value("exitCode").toInt(), Success);
        QCOMPARE(o.value("power").toString(), QStringLiteral("on"));
        QCOMPARE(o.value("kind").toString(), QStringLiteral("Matrix"));
        QCOMPARE(o.value("inputs").toInt(), 8);
        QCOMPARE(o.value("outputs").toInt(), 8);
        QCOMPARE(o.value("version").toString(), QStringLiteral("2.03"));
    }

    // The one model that names itself, and another port count and version.
    void statusOtherUnit() {
        sim->withState([](MatrixState &s) {
            s.deviceId = 0xAE;
            s.firmwareMinor = 5;
        });
        const CliRun r = runCli(tcp() << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.outLines().value(1), QStringLiteral("Device: Kestrel-Matrix"));
        QCOMPARE(r.outLines().value(2), QStringLiteral("Version: 2.05"));
    }

    // Off is a status like any other; the device information is not asked.
    void statusPoweredOff() {
        sim->withState([](MatrixState &s) { s.powerOn = false; });
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("power").toString(), QStringLiteral("off"));
        QVERIFY(!r.json().contains("version"));
        QCOMPARE(framesReceived(), 1);
        QVERIFY(r.err.contains("System is Power Off"));
    }

    void statusOverPseudoTerminal() {
        SimOptions o;
        o.tcp = false;
        o.pty = true;
        o.edidDir = QStringLiteral("-");
        MatrixSimulator serial(o);
        QVERIFY(serial.start());
        const CliRun r = runCli({QStringLiteral("--serial"), serial.ptyPath(),
                                 QStringLiteral("--json"), QStringLiteral("status")});
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("device").toString(), QStringLiteral("Device: Matrix, 8x8"));
    }

    // --trace FILE: the window's frame trace, one line per frame sent and
    // reply collected; a trace that cannot be written is bad input and sends
    // nothing.
    void statusTrace() {
        QTemporaryDir traceDir;
        const QString trace = traceDir.filePath(QStringLiteral("trace.txt"));
        const CliRun r =
            runCli(tcp() << QStringLiteral("--trace") << trace << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Success);
        const QStringList lines =
            QString::fromUtf8(readFile(trace)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!lines.isEmpty());
        QVERIFY2(lines.first().contains(QStringLiteral("-- link opened: 127.0.0.1")),
                 qPrintable(lines.first()));
        const QStringList sent = lines.filter(QStringLiteral("TX frame  "));
        const QStringList replies = lines.filter(QStringLiteral("RX reply  "));
        QCOMPARE(int(sent.size()), framesReceived());
        QCOMPARE(replies.size(), sent.size());
        QVERIFY(sent.first().contains(QStringLiteral("Power/Get")));
        QVERIFY(!lines.filter(QStringLiteral("Device/Version")).isEmpty());

        const int before = framesReceived();
        const CliRun bad = runCli(tcp() << QStringLiteral("--trace")
                                        << traceDir.filePath(QStringLiteral("no/such/trace.txt"))
                                        << QStringLiteral("status"));
        QCOMPARE(bad.exitCode, BadInput);
        QCOMPARE(framesReceived(), before);
    }

    void powerOffAndOn() {
        CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("power")
                                << QStringLiteral("off"));
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("power").toString(), QStringLiteral("off"));
        bool on = true;
        sim->withState([&](MatrixState &s) { on = s.powerOn; });
        QVERIFY(!on);

        r = runCli(tcp() << QStringLiteral("power") << QStringLiteral("ON"));
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.outLines(), QStringList{QStringLiteral("Power: On")});
        sim->withState([&](MatrixState &s) { on = s.powerOn; });
        QVERIFY(on);
    }

    // The unit says no to the power set: exit 3, and the power stays on.
    void powerRefused() {
        sim->withState([](MatrixState &s) {
            s.refusedCommands << MatrixState::commandKey(Cmd::Power, PowerSub::Set);
        });
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("power")
                                      << QStringLiteral("off"));
        QCOMPARE(r.exitCode, Refused);
        QCOMPARE(r.json().value("exit").toString(), QStringLiteral("refused"));
        sim->withState([](MatrixState &s) { QVERIFY(s.powerOn); });
    }

    // ---- routing ------------------------------------------------------------

    void route() {
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("route")
                                      << QStringLiteral("3") << QStringLiteral("5"));
        QCOMPARE(r.exitCode, Success);
        const QJsonObject o = r.json();
        QCOMPARE(o.value("output").toInt(), 3);
        QCOMPARE(o.value("input").toInt(), 5);
        QCOMPARE(o.value("routing").toArray().at(2).toInt(), 5);
        QCOMPARE(o.value("routing").toArray().size(), 8);
        sim->withState([](MatrixState &s) {
            QCOMPARE(int(s.routing[2]), 5);
            QCOMPARE(s.controlLog.last(), QStringLiteral("switch output 3 <- input 5"));
        });

        const CliRun text =
            runCli(tcp() << QStringLiteral("route") << QStringLiteral("8") << QStringLiteral("1"));
        QCOMPARE(text.exitCode, Success);
        QCOMPARE(text.outLines(), QStringList{QStringLiteral("Output 8 from Input 1")});
    }

    // Status 0xFF is the unit's no: exit 3, and the unit's routing stands.
    void routeRefused() {
        sim->withState([](MatrixState &s) { s.refuseSwitchOutputs << 2; });
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("route")
                                      << QStringLiteral("2") << QStringLiteral("7"));
        QCOMPARE(r.exitCode, Refused);
        QCOMPARE(r.json().value("ok").toBool(), false);
        QVERIFY(!r.json().value("error").toString().isEmpty());
        QVERIFY(!r.json().contains("routing"));
        sim->withState([](MatrixState &s) { QCOMPARE(int(s.routing[1]), 2); });
    }

    // The tool refuses what needs the unit on; nothing but the power read is sent.
    void poweredOffRefusesTheCommand() {
        sim->withState([](MatrixState &s) { s.powerOn = false; });
        const QString file = path(QStringLiteral("out.bin"));
        const QList<QStringList> commands = {
            {QStringLiteral("route"), QStringLiteral("1"), QStringLiteral("4")},
            {QStringLiteral("edid"), QStringLiteral("read"), QStringLiteral("out1"), file},
        };
        for (const QStringList &command : commands) {
            sim->clearFrameLog();
            const CliRun r = runCli(tcp() << QStringLiteral("--json") << command);
            QCOMPARE(r.exitCode, PoweredOff);
            QCOMPARE(r.json().value("exit").toString(), QStringLiteral("powered-off"));
            QCOMPARE(framesReceived(), 1);
        }
        QVERIFY(!QFile::exists(file));
        sim->withState([](MatrixState &s) { QCOMPARE(int(s.routing[0]), 1); });
    }

    // ---- EDID ---------------------------------------------------------------

    void edidRead() {
        QByteArray expected;
        sim->withState([&](MatrixState &s) { expected = s.outputEdidAsRead(2); });
        const QString file = path(QStringLiteral("out2.bin"));
        QVERIFY(writeFile(file, QByteArray(300, 'x'))); // an old file is replaced
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("edid")
                                      << QStringLiteral("read") << QStringLiteral("Out 2") << file);
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(readFile(file), expected);
        QCOMPARE(r.json().value("port").toString(), QStringLiteral("Out 2"));
        QCOMPARE(r.json().value("edid").toString(), QString::fromLatin1(expected.toHex()));
        // No scratch file is left beside it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out2.bin")});
    }

    // A user memory never written holds no EDID: the check refuses it and
    // no file appears.
    void edidReadNoEdid() {
        const QString file = path(QStringLiteral("user.bin"));
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("edid")
                                      << QStringLiteral("read") << QStringLiteral("user1") << file);
        QCOMPARE(r.exitCode, Failed);
        QVERIFY(r.json().value("error").toString().contains(QStringLiteral("EDID content error")));
        QVERIFY(!QFile::exists(file));
    }

    void edidWrite_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QList<int>>("inputs"); // 1..8, or user memories as -1, -2
        QTest::newRow("one input") << QStringLiteral("In 4") << QList<int>{4};
        QTest::newRow("every input")
            << QStringLiteral("all inputs") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("user memory 2") << QStringLiteral("User EDID 2 Memory") << QList<int>{-2};
    }
    void edidWrite() {
        QFETCH(QString, port);
        QFETCH(QList<int>, inputs);
        const QByteArray edid = sampleEdid();
        const QString file = path(QStringLiteral("sample.bin"));
        QVERIFY(writeFile(file, edid));
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("edid")
                                      << QStringLiteral("write") << file << port);
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("bytes").toInt(), 256);
        sim->withState([&](MatrixState &s) {
            QCOMPARE(s.edidPreludeCount, 1);
            for (int n : inputs) {
                if (n > 0)
                    QCOMPARE(s.inputEdid[std::size_t(n - 1)], edid);
                else
                    QCOMPARE(s.userEdid[std::size_t(-n - 1)], edid);
            }
        });
    }

    // What the EDID page refuses to open is never sent.
    void edidWriteBadFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray changed = sampleEdid();
        changed[40] = char(changed[40] ^ 1);
        QTest::newRow("checksum") << changed;
        QTest::newRow("base block only") << sampleEdid().left(128);
        QTest::newRow("not an EDID") << QByteArray(256, 'a');
        QTest::newRow("too long") << sampleEdid() + QByteArray(4096, '\0');
    }
    void edidWriteBadFile() {
        QFETCH(QByteArray, bytes);
        const QString file = path(QStringLiteral("bad.bin"));
        QVERIFY(writeFile(file, bytes));
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("edid")
                                      << QStringLiteral("write") << file << QStringLiteral("in1"));
        QCOMPARE(r.exitCode, BadInput);
        QVERIFY(
            r.json().value("error").toString().startsWith(QStringLiteral("EDID content error.")));
        QCOMPARE(framesReceived(), 0);
    }

    // ---- bad input, time-outs, no link ------------------------------------

    void badInput_data() {
        QTest::addColumn<QStringList>("arguments");
        const QString file = QStringLiteral("/nonexistent/x.bin");
        QTest::newRow("unknown command") << QStringList{QStringLiteral("reboot")};
        QTest::newRow("missing argument")
            << QStringList{QStringLiteral("route"), QStringLiteral("1")};
        QTest::newRow("output out of range")
            << QStringList{QStringLiteral("route"), QStringLiteral("9"), QStringLiteral("1")};
        QTest::newRow("input not a number")
            << QStringList{QStringLiteral("route"), QStringLiteral("1"), QStringLiteral("x")};
        QTest::newRow("power word")
            << QStringList{QStringLiteral("power"), QStringLiteral("maybe")};
        QTest::newRow("read from an input")
            << QStringList{QStringLiteral("edid"), QStringLiteral("read"), QStringLiteral("In 1"),
                           QStringLiteral("x.bin")};
        QTest::newRow("write to an output")
            << QStringList{QStringLiteral("edid"), QStringLiteral("write"), QStringLiteral("x.bin"),
                           QStringLiteral("Out 1")};
        QTest::newRow("missing file") << QStringList{
            QStringLiteral("edid"), QStringLiteral("write"), file, QStringLiteral("In 1")};
        QTest::newRow("folder missing") << QStringList{
            QStringLiteral("edid"), QStringLiteral("read"), QStringLiteral("out1"), file};
    }
    void badInput() {
        QFETCH(QStringList, arguments);
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << arguments);
        QCOMPARE(r.exitCode, BadInput);
        QCOMPARE(r.json().value("exit").toString(), QStringLiteral("bad-input"));
        QCOMPARE(framesReceived(), 0);
    }

    void badCommandLine() {
        // No link named.
        CliRun r = runCli({QStringLiteral("status")});
        QCOMPARE(r.exitCode, BadInput);
        // Both links named.
        r = runCli({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1"),
                    QStringLiteral("--serial"), QStringLiteral("/dev/null"),
                    QStringLiteral("status")});
        QCOMPARE(r.exitCode, BadInput);
        // A timing the program cannot use.
        r = runCli(tcp() << QStringLiteral("status"), cliEnvironment(QStringLiteral("tickMs=0")));
        QCOMPARE(r.exitCode, BadInput);
        QCOMPARE(framesReceived(), 0);
    }

    void help() {
        const CliRun r = runCli({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, Success);
        for (const char *word : {"status", "power on|off", "edid read PORT FILE",
                                 "edid write FILE PORT", "route OUTPUT INPUT", "info",
                                 "upgrade PACKAGE [--board-info-only]", "Yes/No questions"})
            QVERIFY2(r.out.contains(word), word);
    }

    // A unit that keeps silent: a time-out, told apart from every other end.
    void unitDoesNotAnswer() {
        FaultSettings silent;
        silent.rate = 1.0;
        silent.kinds = {FaultKind::DropReply};
        sim->setFaults(silent);
        QElapsedTimer clock;
        clock.start();
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("status"));
        QCOMPARE(r.exitCode, TimedOut);
        QCOMPARE(r.json().value("exit").toString(), QStringLiteral("timed-out"));
        QCOMPARE(r.json().value("power").toString(), QStringLiteral("unknown"));
        QVERIFY(r.json().value("error").toString().startsWith(QStringLiteral("Time out!")));
        QCOMPARE(framesReceived(), 5); // five tries
    }

    // Garbage on every try is a failure, not a refusal and not a time-out.
    void unitAnswersGarbage() {
        FaultSettings spoiled;
        spoiled.rate = 1.0;
        spoiled.kinds = {FaultKind::CorruptChecksum};
        sim->setFaults(spoiled);
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("status"));
        QCOMPARE(r.exitCode, Failed);
    }

    void noLink() {
        quint16 port = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            port = probe.serverPort();
        }
        const CliRun r =
            runCli(tcpTo(port) << QStringLiteral("--json") << QStringLiteral("status"));
        QCOMPARE(r.exitCode, NoLink);
        QCOMPARE(r.json().value("exit").toString(), QStringLiteral("no-link"));
        QVERIFY(r.json().value("error").toString().startsWith(
            QStringLiteral("Connect 127.0.0.1 failed")));

        const CliRun serial =
            runCli({QStringLiteral("--serial"), path(QStringLiteral("no-such-tty")),
                    QStringLiteral("status")});
        QCOMPARE(serial.exitCode, NoLink);
        QVERIFY(serial.err.contains("Open COM ["));
    }
};

QTEST_MAIN(TestMatrixCli)
#include "tst_matrixcli.moc"
