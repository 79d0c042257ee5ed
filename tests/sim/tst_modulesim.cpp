// Simulated TCP control modules on UDP, on the loopback interface only: the
// responder is bound to 127.0.0.1 and the test sends straight to it.

#include "MatrixSimulator.h"
#include "ModuleSim.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

namespace {

const QHostAddress Loopback(QHostAddress::LocalHost);

ModuleInfo module(const char *mac, const char *ip, const char *tag) {
    ModuleInfo m;
    m.setMacText(QString::fromLatin1(mac));
    m.ip = QHostAddress(QString::fromLatin1(ip));
    m.tag = QString::fromLatin1(tag);
    return m;
}

QList<QByteArray> collect(QUdpSocket &socket, int count, int ms = 2000) {
    QList<QByteArray> got;
    QElapsedTimer t;
    t.start();
    while (got.size() < count && t.elapsed() < ms) {
        if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(int(ms - t.elapsed())))
            break;
        while (socket.hasPendingDatagrams())
            got << socket.receiveDatagram().data();
    }
    return got;
}

QByteArray configRequest(const ModuleInfo &m, bool dhcp, const char *ip, const char *tag) {
    QByteArray r(76, '\0');
    r.replace(0, 6, m.mac);
    if (!dhcp) {
        const quint32 a = QHostAddress(QString::fromLatin1(ip)).toIPv4Address();
        for (int i = 0; i < 4; ++i)
            r[6 + i] = char((a >> (24 - 8 * i)) & 0xFF);
        r.replace(10, 4, QByteArray::fromHex("0A000001"));
        r.replace(14, 4, QByteArray::fromHex("FFFFFF00"));
    }
    r[18] = char(dhcp ? 1 : 0);
    r[25] = char(dhcp ? 0x14 : 0x15);
    r.replace(42, int(qstrlen(tag)), tag);
    r[74] = char(0xFF);
    r[75] = char(ModuleInfo::configChecksum(r));
    return r;
}

} // namespace

class TestModuleSim : public QObject {
    Q_OBJECT

private slots:
    void discoveryRecords() {
        ModuleSimOptions options;
        options.bindAddress = Loopback;
        ModuleSim sim(options);
        ModuleInfo first = module("18-98-66-0A-0B-0C", "10.0.0.5", "Matrix A");
        first.dhcp = true;
        first.gateway = QHostAddress(QStringLiteral("10.0.0.1"));
        sim.addModule(first);
        sim.addModule(module("18-98-66-00-00-02", "10.0.0.6",
                             "A tag that is longer than thirty-two characters"));
        QString error;
        QVERIFY2(sim.start(&error), qPrintable(error));

        QUdpSocket tool;
        QVERIFY(tool.bind(Loopback, 0));
        tool.writeDatagram(QByteArray("#"), Loopback, options.discoveryPort);
        const QList<QByteArray> records = collect(tool, 2);
        QCOMPARE(records.size(), 2);
        const QByteArray r = records[0];
        QCOMPARE(r.size(), 55);
        QCOMPARE(r.left(6), QByteArray::fromHex("1898660A0B0C"));
        QCOMPARE(r.mid(6, 4), QByteArray::fromHex("0A000005"));
        QCOMPARE(r.mid(10, 4), QByteArray::fromHex("0A000001"));
        QCOMPARE(r.mid(14, 4), QByteArray::fromHex("FFFFFF00"));
        QCOMPARE(r.mid(18, 4), QByteArray::fromHex("1F401F41")); // 8000, 8001 big-endian
        QCOMPARE(r.mid(22, 9), QByteArray("Matrix A\0", 9));
        QCOMPARE(uint8_t(r[54]), uint8_t(1));
        // A long tag is cut so that the field keeps a terminating zero.
        QCOMPARE(records[1].mid(22, 32), QByteArray("A tag that is longer than thirty", 31) + '\0');

        // Anything but the one-byte request is logged and not answered.
        tool.writeDatagram(QByteArray("##"), Loopback, options.discoveryPort);
        tool.writeDatagram(QByteArray(55, '\x01'), Loopback, options.discoveryPort);
        QVERIFY(collect(tool, 1, 250).isEmpty());
        QCOMPARE(sim.requests().size(), 3);
        QCOMPARE(sim.requests().first().bytes, QByteArray("#"));
        QCOMPARE(sim.requests().first().port, options.discoveryPort);

        // Packed: both records in one datagram; a silent module stays out.
        sim.stop();
        ModuleSimOptions packed = options;
        packed.packRecords = true;
        ModuleSim two(packed);
        two.addModule(first);
        two.addModule(module("18-98-66-00-00-02", "10.0.0.6", "B"));
        ModuleInfo silent = module("18-98-66-00-00-03", "10.0.0.7", "C");
        silent.answerDiscovery = false;
        two.addModule(silent);
        QVERIFY(two.start());
        tool.writeDatagram(QByteArray("#"), Loopback, packed.discoveryPort);
        const QList<QByteArray> one = collect(tool, 1);
        QCOMPARE(one.size(), 1);
        QCOMPARE(one[0].size(), 110);
        two.stop();

        // A request sent to one module's own address is answered by it alone.
        ModuleSim directed(options);
        directed.addModule(module("18-98-66-00-00-02", "10.0.0.6", "B"));
        directed.addModule(module("18-98-66-00-00-01", "127.0.0.1", "Here"));
        QVERIFY(directed.start());
        tool.writeDatagram(QByteArray("#"), Loopback, options.discoveryPort);
        const QList<QByteArray> answers = collect(tool, 2, 500);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].mid(22, 5), QByteArray("Here\0", 5));
    }

    void configuration() {
        ModuleSimOptions options;
        options.bindAddress = Loopback;
        ModuleSim sim(options);
        const ModuleInfo a = module("18-98-66-00-00-01", "10.0.0.5", "A");
        const ModuleInfo b = module("18-98-66-00-00-02", "10.0.0.6", "B");
        sim.addModule(a);
        sim.addModule(b);
        QVERIFY(sim.start());
        QUdpSocket tool;
        QVERIFY(tool.bind(Loopback, 0));
        auto configure = [&](const QByteArray &request, int ms = 2000) {
            tool.writeDatagram(request, Loopback, options.configPort);
            const QList<QByteArray> replies = collect(tool, 1, ms);
            return replies.value(0);
        };
        const int quiet = 250; // long enough for an answer that should not come

        // Static address accepted: the reply reports it and the module keeps it.
        QByteArray reply = configure(configRequest(a, false, "10.0.0.50", "Renamed"));
        QCOMPARE(reply.size(), 76);
        QCOMPARE(uint8_t(reply[74]), uint8_t(0x00));
        QCOMPARE(uint8_t(reply[75]), ModuleInfo::configChecksum(reply));
        QCOMPARE(reply.mid(6, 4), QByteArray::fromHex("0A000032"));
        QCOMPARE(reply.mid(19, 6), a.mac);
        QCOMPARE(uint8_t(reply[25]), uint8_t(0x15));
        QCOMPARE(reply.mid(42, 8), QByteArray("Renamed\0", 8));
        QCOMPARE(sim.module(0).ip.toString(), QStringLiteral("10.0.0.50"));
        QCOMPARE(sim.module(0).tag, QStringLiteral("Renamed"));
        QCOMPARE(sim.module(1).ip.toString(), QStringLiteral("10.0.0.6"));

        // Auto IP: the reply carries what the DHCP server handed out.
        sim.withModule(0,
                       [](ModuleInfo &m) { m.dhcpIp = QHostAddress(QStringLiteral("10.0.0.77")); });
        reply = configure(configRequest(a, true, nullptr, "Renamed"));
        QCOMPARE(uint8_t(reply[74]), uint8_t(0x00));
        QCOMPARE(uint8_t(reply[18]), uint8_t(1));
        QCOMPARE(reply.mid(6, 4), QByteArray::fromHex("0A00004D"));
        QVERIFY(sim.module(0).dhcp);

        // The address of the other module is a conflict; so is a module told to
        // report one; a failing module reports 0x10; none of them change.
        reply = configure(configRequest(a, false, "10.0.0.6", "X"));
        QCOMPARE(uint8_t(reply[74]), uint8_t(0x20));
        QCOMPARE(sim.module(0).ip.toString(), QStringLiteral("10.0.0.77"));
        sim.withModule(1, [](ModuleInfo &m) { m.configStatus = 0x10; });
        reply = configure(configRequest(b, false, "10.0.0.60", "X"));
        QCOMPARE(uint8_t(reply[74]), uint8_t(0x10));
        QCOMPARE(sim.module(1).ip.toString(), QStringLiteral("10.0.0.6"));
        QCOMPARE(sim.module(1).tag, QStringLiteral("B"));

        // No answer: a silent module, an unknown MAC, a bad checksum, a reply
        // record (status other than 0xFF) seen on the wire.
        sim.withModule(1, [](ModuleInfo &m) { m.answerConfig = false; });
        QVERIFY(configure(configRequest(b, false, "10.0.0.60", "X"), quiet).isEmpty());
        ModuleInfo stranger = module("00-11-22-33-44-55", "10.0.0.9", "S");
        QVERIFY(configure(configRequest(stranger, false, "10.0.0.60", "X"), quiet).isEmpty());
        QByteArray bad = configRequest(a, false, "10.0.0.61", "X");
        bad[75] = char(bad[75] + 1);
        QVERIFY(configure(bad, quiet).isEmpty());
        QByteArray notRequest = configRequest(a, false, "10.0.0.61", "X");
        notRequest[74] = 0;
        notRequest[75] = char(ModuleInfo::configChecksum(notRequest));
        QVERIFY(configure(notRequest, quiet).isEmpty());
        QCOMPARE(sim.module(0).ip.toString(), QStringLiteral("10.0.0.77"));
    }

    void matrixModuleIsShared() {
        // The matrix's own module: UDP and the serial LDCD see one state.
        SimOptions simOptions;
        simOptions.tcp = false;
        simOptions.edidDir = QStringLiteral("-");
        MatrixSimulator matrix(simOptions);
        ModuleSimOptions options;
        options.bindAddress = Loopback;
        ModuleSim sim(options);
        const int index = sim.addMatrixModule(&matrix);
        QVERIFY(sim.start());
        QUdpSocket tool;
        QVERIFY(tool.bind(Loopback, 0));
        const ModuleInfo before = sim.module(index);
        tool.writeDatagram(configRequest(before, false, "10.1.2.3", "Shared"), Loopback,
                           options.configPort);
        QCOMPARE(collect(tool, 1).size(), 1);
        QString ip;
        matrix.withState([&](MatrixState &s) { ip = s.module.ip.toString(); });
        QCOMPARE(ip, QStringLiteral("10.1.2.3"));
    }
};

QTEST_GUILESS_MAIN(TestModuleSim)
#include "tst_modulesim.moc"
