// Discovery, configuration and ping between two private network namespaces:
// the tool's side in one, simulated TCP control modules in the other. The
// host's own namespace never sees any of this traffic.

#include "LanFixture.h"
#include "LinkTap.h"
#include "ModuleSim.h"
#include "NetnsPair.h"
#include "lanmodule/IcmpPing.h"
#include "link/LinkTiming.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/ModuleBytes.h"
#include "protocol/ModuleConfigRecord.h"

#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <memory>
#include <unistd.h>

namespace {

const QString ToolIP = QStringLiteral("10.77.0.1");
const QString ModuleA = QStringLiteral("10.77.0.2");
const QString ModuleB = QStringLiteral("10.77.0.3");
const QString Unreachable = QStringLiteral("10.88.0.5"); // routed out, nobody answers

ModuleInfo module(const QString &mac, const QString &ip, const QString &tag, bool dhcp) {
    ModuleInfo m;
    m.setMacText(mac);
    m.ip = QHostAddress(ip);
    m.gateway = QHostAddress(QStringLiteral("10.77.0.254"));
    m.mask = QHostAddress(QStringLiteral("255.255.255.0"));
    m.tag = tag;
    m.dhcp = dhcp;
    m.dhcpIp = QHostAddress(QStringLiteral("10.77.0.30"));
    m.dhcpGateway = QHostAddress(QStringLiteral("10.77.0.254"));
    m.dhcpMask = QHostAddress(QStringLiteral("255.255.255.0"));
    return m;
}

ModuleConfigRecord staticRecord(const QString &mac, const uint8_t ip[4]) {
    uint8_t m[6];
    ParseMACText(mac, m);
    const uint8_t gw[4] = {10, 77, 0, 254}, mask[4] = {255, 255, 255, 0};
    return ModuleConfigRecord::build(m, QStringLiteral("Renamed"), false, ip, gw, mask);
}

} // namespace

class TstNetnsModules : public QObject {
    Q_OBJECT

    NetnsPair pair;
    std::unique_ptr<ModuleSim> sim;
    std::unique_ptr<NetnsPair::Scope> toolSide;
    std::unique_ptr<TTSCOMControl> engine;
    ModuleLink *link = nullptr; // the engine's own
    RecordingListener listener;

private slots:
    void initTestCase() {
        if (::geteuid() != 0)
            QSKIP("network namespaces need root");
        LinkTiming::shrinkForTests();
        NetnsPair::Options o;
        o.toolAddress = ToolIP;
        o.deviceAddresses = {ModuleA, ModuleB};
        o.toolPingGroupRange = QStringLiteral("0 2147483647");
        QString why;
        if (!pair.setUp(o, &why))
            QSKIP(qPrintable(QStringLiteral("no network namespaces: ") + why));
    }

    void init() {
        QVERIFY(pair.callerInHost());
        {
            NetnsPair::Scope devices(pair, NetnsPair::Devices);
            QVERIFY(devices.ok());
            ModuleSimOptions so;
            so.bindAddress = QHostAddress(QHostAddress::AnyIPv4);
            sim = std::make_unique<ModuleSim>(so);
            sim->addModule(module(QStringLiteral("18-98-66-00-00-02"), ModuleA,
                                  QStringLiteral("Hall A"), false));
            sim->addModule(module(QStringLiteral("18-98-66-00-00-03"), ModuleB,
                                  QStringLiteral("Hall B"), true));
            QString error;
            QVERIFY2(sim->start(&error), qPrintable(error));
        }
        toolSide = std::make_unique<NetnsPair::Scope>(pair, NetnsPair::Tool);
        QVERIFY(toolSide->ok());
        engine = std::make_unique<TTSCOMControl>();
        TapEngine(engine.get(), &listener);
        link = engine->Modules();
        listener.Messages.clear();
    }

    void cleanup() {
        link = nullptr;
        engine.reset();
        toolSide.reset();
        sim.reset();
        QVERIFY(pair.callerInHost());
    }

    void cleanupTestCase() { pair.tearDown(); }

    void broadcastDiscoveryFindsBothModules() {
        QVERIFY(pair.callerInside(NetnsPair::Tool));
        engine->setUDPMode(umBROADCAST);
        QVERIFY(link->SearchModules());
        QVERIFY(!link->Searching());
        QVERIFY(!link->DatagramBusy());
        QCOMPARE(link->FoundDeviceCount(), 2);
        QStringList macs = {link->FoundDeviceField(1, 0), link->FoundDeviceField(2, 0)};
        macs.sort();
        QCOMPARE(macs, QStringList({"18-98-66-00-00-02", "18-98-66-00-00-03"}));
        const int b = link->FoundDeviceField(1, 0).endsWith(QLatin1String("03")) ? 1 : 2;
        QCOMPARE(link->FoundDeviceField(b, 1), ModuleB);
        QCOMPARE(link->FoundDeviceField(b, 2), QStringLiteral("10.77.0.254"));
        QCOMPARE(link->FoundDeviceField(b, 3), QStringLiteral("255.255.255.0"));
        QCOMPARE(link->FoundDeviceField(b, 6), QStringLiteral("Hall B"));
        QCOMPARE(link->FoundDeviceField(b, 7), QStringLiteral("1"));

        // One request went out, as a limited broadcast.
        const QList<ModuleRequest> seen = sim->requests();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].bytes, QByteArray("#"));
        QCOMPARE(seen[0].sender.toString(), ToolIP);
        QCOMPARE(seen[0].destination.toString(), QStringLiteral("255.255.255.255"));

        // The spinner texts of the first attempt, for the search dialog.
        const QStringList texts = listener.texts(WM_LINK_SEARCHTEXT);
        QCOMPARE(texts.size(), 30);
        QCOMPARE(texts[0], QStringLiteral("Searching TCP control device .../"));
        QCOMPARE(texts[1], QStringLiteral("Searching TCP control device ...-"));
        QCOMPARE(texts[2], QStringLiteral("Searching TCP control device ...\\"));
        QCOMPARE(texts[3], QStringLiteral("Searching TCP control device ...|"));
        for (const RecordedMessage &m : listener.Messages)
            if (m.message == WM_LINK_SEARCHTEXT)
                QCOMPARE(m.lParam, 0);

        // A second search adds nothing new: the same modules answer again.
        QVERIFY(link->SearchModules());
        QCOMPARE(link->FoundDeviceCount(), 2);
    }

    void ownBroadcastIsNeverAReply() {
        for (int i = 0; i < sim->moduleCount(); ++i)
            sim->withModule(i, [](ModuleInfo &m) { m.answerDiscovery = false; });
        link->setLocalAddressOverride(ToolIP);

        // Another program on this PC broadcasts something shaped like a
        // module's record from the discovery port; it comes back to the
        // tool's socket from the PC's own address.
        QUdpSocket echo;
        QVERIFY(echo.bind(QHostAddress::AnyIPv4, 30600,
                          QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint));
        const QByteArray record =
            module(QStringLiteral("18-98-66-00-00-99"), ToolIP, QStringLiteral("Echo"), false)
                .discoveryRecord();
        QTimer sender;
        connect(&sender, &QTimer::timeout, &echo,
                [&] { echo.writeDatagram(record, QHostAddress(QHostAddress::Broadcast), 30600); });
        sender.start(20);

        QVERIFY(!link->SearchModules());
        QCOMPARE(link->FoundDeviceCount(), 0);
        QVERIFY(!link->Searching());
        // All five attempts ran.
        int requests = 0;
        for (const ModuleRequest &r : sim->requests())
            requests += r.bytes == QByteArray("#");
        QCOMPARE(requests, 5);
        int fromSelf = 0;
        for (const QString &t : listener.texts(WM_LINK_FRAMELOG))
            fromSelf += t.startsWith(QStringLiteral("Remote: [10.77.0.1] : Port[30600]"));
        QVERIFY2(fromSelf >= 2, "the echoes reached the tool's socket");
        QCOMPARE(listener.texts(WM_LINK_SEARCHTEXT).size(), 5 * 30);

        // The same echo from any other address would be taken for a module.
        listener.Messages.clear();
        link->setLocalAddressOverride(QStringLiteral("10.77.0.99"));
        QVERIFY(link->SearchModules());
        QCOMPARE(link->FoundDeviceField(1, 6), QStringLiteral("Echo"));
    }

    void directedDiscovery() {
        engine->setUDPMode(umNORMAL);
        engine->setDeviceIP(ModuleB);
        QVERIFY(link->SearchModules());
        QCOMPARE(link->FoundDeviceCount(), 1);
        QCOMPARE(link->FoundDeviceField(1, 0), QStringLiteral("18-98-66-00-00-03"));
        const QList<ModuleRequest> seen = sim->requests();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].destination.toString(), ModuleB);

        // A directed search never broadcasts, not even to a subnet's
        // broadcast address.
        sim->clearRequests();
        link->ClearDevices();
        engine->setDeviceIP(QStringLiteral("10.77.0.255"));
        QVERIFY(!link->SearchModules());
        QTest::qWait(20);
        QCOMPARE(sim->requests().size(), 0);
        QCOMPARE(link->DatagramsSent(), 0);
    }

    void configureStaticAddress() {
        engine->setDeviceIP(ModuleA);
        const uint8_t ip[4] = {10, 77, 0, 20};
        const ModuleConfigRecord record = staticRecord(QStringLiteral("18-98-66-00-00-02"), ip);
        QCOMPARE(link->ConfigureModule(record.b), int(ModuleConfigRecord::Accepted));
        QVERIFY(!link->Configuring());
        QVERIFY(!link->DatagramBusy());

        // The module took the new address and name; its reply is kept.
        const ModuleInfo a = sim->module(0);
        QCOMPARE(a.ip.toString(), QStringLiteral("10.77.0.20"));
        QCOMPARE(a.tag, QStringLiteral("Renamed"));
        QCOMPARE(sim->module(1).ip.toString(), ModuleB);
        ModuleConfigRecord reply;
        std::copy(link->ModuleConfig(), link->ModuleConfig() + 76, reply.b);
        QCOMPARE(reply.status(), uint8_t(0));
        QCOMPARE(reply.replyMacText(), QStringLiteral("18-98-66-00-00-02"));

        // Sent twice: broadcast, then to the module's present address.
        const QList<ModuleRequest> seen = sim->requests();
        QVERIFY(seen.size() >= 2);
        QCOMPARE(seen[0].destination.toString(), QStringLiteral("255.255.255.255"));
        QCOMPARE(seen[1].destination.toString(), ModuleA);
        QCOMPARE(seen[0].bytes, seen[1].bytes);
        const auto *sent = reinterpret_cast<const uint8_t *>(seen[0].bytes.constData());
        QCOMPARE(sent[74], uint8_t(0xFF));
        QCOMPARE(sent[75], ModuleLink::ModuleConfigChecksum(sent));

        QVERIFY(!listener.texts(WM_LINK_SEARCHTEXT).isEmpty());
        QCOMPARE(listener.texts(WM_LINK_SEARCHTEXT).first(),
                 QStringLiteral("Setting TCP control configuration .../"));
        for (const RecordedMessage &m : listener.Messages)
            if (m.message == WM_LINK_SEARCHTEXT)
                QCOMPARE(m.lParam, 1);
    }

    void configureAutoIP() {
        engine->setDeviceIP(ModuleB);
        uint8_t mac[6];
        ParseMACText(QStringLiteral("18-98-66-00-00-03"), mac);
        const uint8_t zero[4] = {};
        const ModuleConfigRecord record =
            ModuleConfigRecord::build(mac, QStringLiteral("Hall B"), true, zero, zero, zero);
        QCOMPARE(link->ConfigureModule(record.b), int(ModuleConfigRecord::Accepted));
        ModuleConfigRecord reply;
        std::copy(link->ModuleConfig(), link->ModuleConfig() + 76, reply.b);
        QCOMPARE(reply.ipText(), QStringLiteral("10.77.0.30"));
        QCOMPARE(reply.replyMacText(), QStringLiteral("18-98-66-00-00-03"));
    }

    void configureToThePCsOwnAddress() {
        // The PC's own address as the engine looks it up: refused at once.
        const QString own = TTSCOMControl::LocalAddress();
        uint8_t ip[4];
        QVERIFY(ModuleBytes::parseDotted(own, ip) || own == QLatin1String("0.0.0.0"));
        if (own != QLatin1String("0.0.0.0")) {
            const ModuleConfigRecord r = staticRecord(QStringLiteral("18-98-66-00-00-02"), ip);
            QCOMPARE(link->ConfigureModule(r.b), int(ModuleConfigRecord::Conflict));
        }
        // And the address of this namespace's own interface.
        link->setLocalAddressOverride(ToolIP);
        const uint8_t toolIp[4] = {10, 77, 0, 1};
        const ModuleConfigRecord r = staticRecord(QStringLiteral("18-98-66-00-00-02"), toolIp);
        QCOMPARE(link->ConfigureModule(r.b), int(ModuleConfigRecord::Conflict));
        QVERIFY(!link->Configuring());
        QCOMPARE(link->DatagramsSent(), 0);
        QTest::qWait(20);
        QCOMPARE(sim->requests().size(), 0);
        QCOMPARE(sim->module(0).configCount, 0);
    }

    void everyOwnAddressIsTheTools() {
        // A PC with two addresses on its interface: a static address equal to
        // either is refused, and the PC's own broadcast coming back from
        // either never counts as an answer.
        QString output;
        QVERIFY2(
            pair.ip(NetnsPair::Tool,
                    {QStringLiteral("addr"), QStringLiteral("add"), QStringLiteral("10.77.0.5/24"),
                     QStringLiteral("dev"), QStringLiteral("vtool")},
                    &output) == 0,
            qPrintable(output));
        const QStringList own = TTSCOMControl::LocalAddresses();
        QVERIFY2(own.contains(ToolIP) && own.contains(QStringLiteral("10.77.0.5")),
                 qPrintable(own.join(QLatin1Char(' '))));
        for (const uint8_t last : {uint8_t(1), uint8_t(5)}) {
            const uint8_t ip[4] = {10, 77, 0, last};
            const ModuleConfigRecord r = staticRecord(QStringLiteral("18-98-66-00-00-02"), ip);
            QCOMPARE(link->ConfigureModule(r.b), int(ModuleConfigRecord::Conflict));
        }
        QCOMPARE(link->DatagramsSent(), 0);
        QVERIFY(link->IsOwnAddress(QStringLiteral("10.77.0.5")));
        QVERIFY(!link->IsOwnAddress(ModuleA));
        QVERIFY(!link->IsOwnAddress(QStringLiteral("0.0.0.0")));
        pair.ip(NetnsPair::Tool,
                {QStringLiteral("addr"), QStringLiteral("del"), QStringLiteral("10.77.0.5/24"),
                 QStringLiteral("dev"), QStringLiteral("vtool")});
    }

    void moduleRefusals_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("result");
        QTest::newRow("conflict and failure") << 0x30 << true << int(ModuleConfigRecord::Conflict);
        QTest::newRow("conflict") << 0x20 << true << int(ModuleConfigRecord::Conflict);
        QTest::newRow("failure") << 0x10 << true << int(ModuleConfigRecord::Failed);
        QTest::newRow("no reply") << 0x00 << false << int(ModuleConfigRecord::Failed);
    }

    void moduleRefusals() {
        QFETCH(int, status);
        QFETCH(bool, answers);
        QFETCH(int, result);
        sim->withModule(0, [&](ModuleInfo &m) {
            m.configStatus = static_cast<uint8_t>(status);
            m.answerConfig = answers;
        });
        engine->setDeviceIP(ModuleA);
        const uint8_t ip[4] = {10, 77, 0, 21};
        const ModuleConfigRecord r = staticRecord(QStringLiteral("18-98-66-00-00-02"), ip);
        QCOMPARE(link->ConfigureModule(r.b), result);
        QVERIFY(!link->Configuring());
        QVERIFY(!link->DatagramBusy());
        QCOMPARE(sim->module(0).ip.toString(), ModuleA);
        if (!answers) // all twenty wait cycles ran
            QCOMPARE(listener.texts(WM_LINK_SEARCHTEXT).size(), 20 * 30);
    }

    void configurationCancelledByModeChange() {
        sim->withModule(0, [](ModuleInfo &m) { m.answerConfig = false; });
        engine->setDeviceIP(ModuleA);
        const uint8_t ip[4] = {10, 77, 0, 22};
        const ModuleConfigRecord r = staticRecord(QStringLiteral("18-98-66-00-00-02"), ip);
        int texts = 0;
        listener.OnMessage = [&](int message, int32_t, const QString &) {
            if (message == WM_LINK_SEARCHTEXT && ++texts == 45)
                engine->setControlMode(cmCOM);
        };
        QCOMPARE(link->ConfigureModule(r.b), int(ModuleConfigRecord::Failed));
        listener.OnMessage = nullptr;
        QCOMPARE(texts, 45);
        QVERIFY(!link->Configuring());
        QVERIFY(!link->DatagramBusy());
    }

    void portTakenByAnotherProgram() {
        // Another program holds the discovery port exclusively.
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 30600, QAbstractSocket::DontShareAddress));
        QVERIFY(!link->SearchModules());
        QCOMPARE(listener.count(WM_LINK_EXCEPTION), 1);
        QVERIFY(engine->LastLinkError().contains(QLatin1String("30600")));
        QVERIFY(!link->Searching());
        QVERIFY(!link->DatagramBusy());
        QCOMPARE(sim->requests().size(), 0);
        holder.close();
        QVERIFY(link->SearchModules());
    }

    void ping() {
        IcmpPing ping;
        ping.TimeoutMs = 200;
        QVERIFY2(ping.ping(ModuleA), qPrintable(ping.lastError()));
        QCOMPARE(ping.lastMethod(), IcmpPing::Method::Datagram);
        QCOMPARE(ping.requestsSent(), 1);

        ping.UseMethod = IcmpPing::Method::Raw;
        QVERIFY2(ping.ping(ModuleB), qPrintable(ping.lastError()));
        QCOMPARE(ping.lastMethod(), IcmpPing::Method::Raw);

        // Nobody at the address: three tries, no answer.
        for (IcmpPing::Method method : {IcmpPing::Method::Datagram, IcmpPing::Method::Raw}) {
            ping.UseMethod = method;
            QVERIFY(!ping.ping(Unreachable));
            QCOMPARE(ping.requestsSent(), 3);
        }
        ping.UseMethod = IcmpPing::Method::Auto;
        QVERIFY(!ping.ping(QStringLiteral("not an address")));
        QCOMPARE(ping.requestsSent(), 0);
    }

    void pingWithoutDatagramSockets() {
        // Where unprivileged ping sockets are not allowed, a raw socket does it.
        QVERIFY(pair.setPingGroupRange(NetnsPair::Tool, QStringLiteral("1 0")));
        IcmpPing ping;
        ping.TimeoutMs = 200;
        const bool answered = ping.ping(ModuleA);
        const IcmpPing::Method method = ping.lastMethod();
        ping.UseMethod = IcmpPing::Method::Datagram;
        const bool datagramOnly = ping.ping(ModuleA);
        QVERIFY(pair.setPingGroupRange(NetnsPair::Tool, QStringLiteral("0 2147483647")));
        QVERIFY(answered);
        QCOMPARE(method, IcmpPing::Method::Raw);
        QVERIFY(!datagramOnly);
        QVERIFY(!ping.lastError().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstNetnsModules)
#include "tst_netns_modules.moc"
