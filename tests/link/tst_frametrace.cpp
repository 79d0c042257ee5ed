// The frame trace (--trace FILE): one line per frame and packet sent and
// received, with a time stamp, the direction and the command's name, written
// from the real engine talking to the simulator.

#include "LinkTestSupport.h"
#include "link/FrameTrace.h"
#include "link/SerialTransport.h"
#include "protocol/CommandNames.h"
#include "protocol/LdcdPacket.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace {
QStringList readLines(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList matching(const QStringList &lines, const QString &pattern) {
    const QRegularExpression re(pattern);
    QStringList out;
    for (const QString &l : lines)
        if (re.match(l).hasMatch())
            out << l;
    return out;
}

const QString Stamp = QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} ");
} // namespace

class TestFrameTrace : public QObject {
    Q_OBJECT

private slots:
    void init() { LinkTiming::shrinkForTests(); }

    // What the General page's status read sends, over TCP.
    void statusReadOverTcp() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        SimOptions options;
        options.tcp = true;
        MatrixSimulator sim(options);
        QVERIFY(sim.start());
        TTSCOMControl engine;
        QString error;
        QVERIFY2(FrameTrace::Attach(engine, path, &error), qPrintable(error));
        engine.setControlMode(cmLAN);
        engine.setDeviceIP(QStringLiteral("127.0.0.1"));
        engine.setTcpPort(sim.tcpPort());
        QVERIFY(engine.Connect());
        for (const Frame &f : {Requests::deviceId(), Requests::portCounts(),
                               Requests::firmwareVersion(), Requests::powerQuery()}) {
            TReplyRecord reply;
            engine.Transact(f, reply);
            QVERIFY(reply.ok());
        }
        engine.Disconnect();

        const QStringList lines = readLines(path);
        QCOMPARE(lines.size(), 1 + 8 + 1);
        for (const QString &l : lines)
            QVERIFY2(QRegularExpression(Stamp).match(l).hasMatch(), qPrintable(l));
        QVERIFY(lines.first().endsWith(QStringLiteral("-- link opened: 127.0.0.1")));
        QVERIFY(lines.last().endsWith(QStringLiteral("-- link closed: 127.0.0.1")));
        // Request and reply in turn, each named.
        const QStringList names{
            CommandName(Requests::deviceId().command(), Requests::deviceId().subCode()),
            CommandName(Requests::portCounts().command(), Requests::portCounts().subCode()),
            CommandName(Requests::firmwareVersion().command(),
                        Requests::firmwareVersion().subCode()),
            CommandName(Requests::powerQuery().command(), Requests::powerQuery().subCode())};
        QCOMPARE(names,
                 (QStringList{"Device/Id", "Device/PortCounts", "Device/Version", "Power/Get"}));
        for (int i = 0; i < 4; ++i) {
            const QString tx = lines[1 + 2 * i].mid(24);
            const QString rx = lines[2 + 2 * i].mid(24);
            QVERIFY2(tx.startsWith(QStringLiteral("TX frame  ") + names[i] + " P1="),
                     qPrintable(tx));
            QVERIFY2(rx.startsWith(QStringLiteral("RX reply  ") + names[i] + " P1="),
                     qPrintable(rx));
            // The bytes follow in hex: 13 of them, starting with the frame start.
            QVERIFY(tx.contains(QStringLiteral("| A5 5B ")));
            QCOMPARE(tx.mid(tx.indexOf(QLatin1Char('|')) + 2).split(QLatin1Char(' ')).size(), 13);
        }
        // The power query's parameter as sent.
        QVERIFY(lines[7].contains(QStringLiteral("P1=00FE")));
        // Time stamps never go backwards.
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY(lines[i].left(23) >= lines[i - 1].left(23));
    }

    void retriesAndBlockPacketsAreTraced() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        LinkFixture fx;
        QVERIFY(fx.open(false));
        QVERIFY(FrameTrace::Attach(*fx.engine, path));
        fx.sim->queueFault(FaultKind::DropReply, 1);
        TReplyRecord reply;
        fx.engine->Transact(Requests::powerQuery(), reply);
        QVERIFY(reply.ok());
        QByteArray edid;
        QVERIFY(fx.read(Requests::EdidAddressOfPort(1), &edid));
        QCOMPARE(edid.size(), 256);

        const QStringList lines = readLines(path);
        // The dropped reply: the request went twice, one reply came.
        QCOMPARE(matching(lines, "TX frame  Power/Get").size(), 2);
        QCOMPARE(matching(lines, "RX reply  Power/Get").size(), 1);
        // The EDID read: its start, then one request per data packet.
        QCOMPARE(matching(lines, "RX packet Edid/Read status=(More|Last) data=\\d+ bytes \\(270 "
                                 "on the wire\\)")
                     .size(),
                 matching(lines, "TX frame  Edid/Read P1=00(AA|00)").size());
        QVERIFY(!matching(lines, "RX packet Edid/Read status=Last").isEmpty());
        QVERIFY(matching(lines, "BAD").isEmpty());
        fx.close();
    }

    void describeNamesWhatItCannotDecode() {
        // A frame whose checksum is wrong says so.
        Frame f = Requests::powerQuery();
        SealFrame(f);
        QByteArray bytes = f.toBytes();
        bytes[12] = char(bytes[12] ^ 0x01);
        QVERIFY(FrameTrace::Describe("TX", bytes).contains(QStringLiteral("BAD CHECKSUM")));
        // Bytes that are no frame.
        QCOMPARE(FrameTrace::Describe("RX", QByteArray("\x01\x02\x03", 3)),
                 QStringLiteral("RX bytes  3 not a frame | 01 02 03"));
        // The module's packet on the serial line.
        LdcdPacket q = LdcdPacket::queryRequest();
        q.sealRequest();
        QVERIFY(FrameTrace::Describe("TX", QByteArray(reinterpret_cast<const char *>(q.b), 32))
                    .startsWith(QStringLiteral("TX module LDCD packet (32 bytes)")));
        // An unknown command still gets a name; a long packet's hex is bounded.
        QVERIFY(CommandName(0x42, 7) == QStringLiteral("Cmd 0x42/7"));
        QByteArray longPacket(600, '\x11');
        QVERIFY(FrameTrace::Describe("RX", longPacket).endsWith(QStringLiteral("(330 more)")));
    }

    void serialLinkNotesItsLowLatencyMode() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        SimOptions options;
        options.tcp = false;
        options.pty = true;
        options.pace = false;
        MatrixSimulator sim(options);
        QVERIFY(sim.start());
        TTSCOMControl engine;
        QStringList notes;
        connect(&engine, &TTSCOMControl::linkNote, this, [&](const QString &t) { notes << t; });
        QVERIFY(FrameTrace::Attach(engine, path));
        engine.setControlMode(cmCOM);
        engine.setComPort(sim.ptyPath());
        QVERIFY(engine.Connect());
        TReplyRecord reply;
        engine.Transact(Requests::powerQuery(), reply);
        QVERIFY(reply.ok());
        // A pseudo-terminal has no low-latency mode: said, and the link works.
        QCOMPARE(notes, QStringList{SerialTransport::LowLatencyNote(
                            SerialTransport::LowLatency::Unsupported, sim.ptyPath())});
        const QStringList lines = readLines(path);
        QVERIFY(!matching(lines, "-- Serial line .*no low-latency mode").isEmpty());
        QCOMPARE(matching(lines, "RX reply  Power/Get P1=").size(), 1);
    }

    void strayBytesAndUnwritableFile() {
        QTemporaryDir dir;
        FrameTrace trace;
        QVERIFY(!trace.open(dir.filePath(QStringLiteral("no/such/folder/trace.txt"))));
        QString error;
        TTSCOMControl engine;
        QVERIFY(!FrameTrace::Attach(engine, dir.filePath(QStringLiteral("no/such/t.txt")), &error));
        QVERIFY(error.contains(QStringLiteral("no/such/t.txt")));

        const QString path = dir.filePath(QStringLiteral("trace.txt"));
        QVERIFY(trace.open(path));
        trace.Clock = [] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6)); };
        trace.stray(QByteArray("\xA5\x5B", 2));
        QCOMPARE(readLines(path),
                 QStringList{"2026-01-02 03:04:05.006 RX stray 2 bytes while no exchange waited | "
                             "A5 5B"});
    }
};

QTEST_GUILESS_MAIN(TestFrameTrace)
#include "tst_frametrace.moc"
