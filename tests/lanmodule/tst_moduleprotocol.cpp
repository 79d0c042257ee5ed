// Records, device entries and the datagram receive path of the module link,
// all without sockets: datagrams are handed to OnDatagram directly.

#include "LanFixture.h"
#include "LinkTap.h"
#include "lanmodule/DeviceEntry.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/DiscoveryRecord.h"
#include "protocol/LdcdPacket.h"
#include "protocol/ModuleConfigRecord.h"

#include <QTest>
#include <cstring>

namespace {

const QString Local = QStringLiteral("10.77.0.1");
const QString Module = QStringLiteral("10.77.0.2");

DiscoveryRecord makeRecord(uint8_t last, const QString &tag, uint8_t dhcp = 0) {
    DiscoveryRecord r;
    const uint8_t mac[6] = {0x18, 0x98, 0x66, 0x0A, 0xBC, last};
    std::memcpy(r.MAC, mac, 6);
    const uint8_t ip[4] = {10, 77, 0, last};
    const uint8_t gw[4] = {10, 77, 0, 254};
    const uint8_t mask[4] = {255, 255, 255, 0};
    std::memcpy(r.IP, ip, 4);
    std::memcpy(r.Gateway, gw, 4);
    std::memcpy(r.SubnetMask, mask, 4);
    r.Port1 = 8000;
    r.Port2 = 0x1F41;
    r.Tag = tag;
    r.DHCP = dhcp;
    return r;
}

QByteArray configReply(uint8_t status, uint8_t macLast = 0x01) {
    QByteArray b(ModuleConfigRecord::Size, '\0');
    b[5] = static_cast<char>(macLast);
    b[6] = 10;
    b[9] = 9;
    b[24] = static_cast<char>(macLast);
    b[ModuleConfigRecord::StatusOffset] = static_cast<char>(status);
    return b;
}

} // namespace

class TstModuleProtocol : public QObject {
    Q_OBJECT

    TTSCOMControl *engine = nullptr;
    ModuleLink *link = nullptr;
    RecordingListener listener;

private slots:
    void init() {
        engine = new TTSCOMControl;
        TapEngine(engine, &listener);
        link = new ModuleLink(engine);
        link->setLocalAddressOverride(Local);
        listener.Messages.clear();
    }
    void cleanup() {
        delete link;
        delete engine;
    }

    void deviceEntryFields() {
        // An empty entry reads as the defaults.
        const QStringList defaults = {QString(),
                                      QStringLiteral("Static IP"),
                                      QStringLiteral("0.0.0.0"),
                                      QStringLiteral("0.0.0.0"),
                                      QStringLiteral("0.0.0.0"),
                                      QStringLiteral("00-00-00-00-00-00"),
                                      QStringLiteral("Same Subnet")};
        for (int n = 0; n < 7; ++n)
            QCOMPARE(DeviceEntryField(QString(), n), defaults[n]);

        const QString entry = QStringLiteral("[Hall A] - [Auto IP] - [10.0.0.5] - [10.0.0.1] - "
                                             "[255.0.0.0] - [18-98-66-00-00-07] - [Cross Subnet]");
        const QStringList fields = {
            QStringLiteral("Hall A"),      QStringLiteral("Auto IP"),
            QStringLiteral("10.0.0.5"),    QStringLiteral("10.0.0.1"),
            QStringLiteral("255.0.0.0"),   QStringLiteral("18-98-66-00-00-07"),
            QStringLiteral("Cross Subnet")};
        for (int n = 0; n < 7; ++n)
            QCOMPARE(DeviceEntryField(entry, n), fields[n]);

        // Too few "[" gives an empty text; a missing "]" runs to the end.
        QCOMPARE(DeviceEntryField(QStringLiteral("[a] - [b"), 1), QStringLiteral("b"));
        QCOMPARE(DeviceEntryField(QStringLiteral("[a] - [b"), 2), QString());
        QCOMPARE(DeviceEntryField(QStringLiteral("no brackets"), 0), QString());

        // The entry written from its fields reads back field by field.
        DeviceEntry e = DeviceEntry::fromText(entry);
        QCOMPARE(e.text(), entry);

        // A tag with brackets must not shift the other fields.
        e[DeviceEntry::Tag] = QStringLiteral("Rack [2]");
        const DeviceEntry back = DeviceEntry::fromText(e.text());
        QCOMPARE(back[DeviceEntry::Tag], QStringLiteral("Rack (2)"));
        for (int n = 1; n < 7; ++n)
            QCOMPARE(back[n], fields[n]);
    }

    void discoveryRecordStrings() {
        DiscoveryRecord r = makeRecord(0x2F, QStringLiteral("Matrix 1"), 0);
        QByteArray bytes = r.toBytes();
        QCOMPARE(bytes.size(), 55);
        // Ports are big-endian on the wire.
        QCOMPARE(static_cast<uint8_t>(bytes[18]), uint8_t(0x1F));
        QCOMPARE(static_cast<uint8_t>(bytes[19]), uint8_t(0x40));
        // Text after the first zero byte of the tag is not part of it.
        bytes[22 + 8 + 1] = 'X';
        QCOMPARE(DiscoveryRecord::fromBytes(reinterpret_cast<const uint8_t *>(bytes.constData()))
                     .deviceListStrings(),
                 QStringList({"18-98-66-0A-BC-2F", "10.77.0.47", "10.77.0.254", "255.255.255.0",
                              "8000", "8001", "Matrix 1", "0"}));

        // A tag of the full 32 bytes has no terminating zero; any non-zero
        // DHCP flag is its decimal text.
        r.Tag = QString(32, QLatin1Char('T'));
        r.DHCP = 7;
        const QStringList s =
            DiscoveryRecord::fromBytes(reinterpret_cast<const uint8_t *>(r.toBytes().constData()))
                .deviceListStrings();
        QCOMPARE(s[6], QString(32, QLatin1Char('T')));
        QCOMPARE(s[7], QStringLiteral("7"));
    }

    void discoveryDatagrams() {
        link->setListeningForTests(true);
        const QByteArray one = makeRecord(2, QStringLiteral("First")).toBytes();
        const QByteArray two = makeRecord(3, QStringLiteral("Second"), 1).toBytes();

        // 56 bytes is not a whole number of records: nothing, no answer.
        link->OnDatagram(Module, 30600, one + QByteArray(1, '\0'));
        QVERIFY(!link->AnswerReceived());
        QCOMPARE(link->FoundDeviceCount(), 0);

        // 110 bytes hold two modules, in order.
        link->OnDatagram(Module, 30600, one + two);
        QVERIFY(link->AnswerReceived());
        QCOMPARE(link->FoundDeviceCount(), 2);
        QCOMPARE(link->FoundDeviceField(1, 6), QStringLiteral("First"));
        QCOMPARE(link->FoundDeviceField(2, 0), QStringLiteral("18-98-66-0A-BC-03"));
        QCOMPARE(link->FoundDeviceField(2, 7), QStringLiteral("1"));

        // The same module answering every attempt stays one entry, and a
        // reply of duplicates still counts as an answer.
        for (int attempt = 0; attempt < 5; ++attempt) {
            link->resetAnswerForTests();
            link->OnDatagram(Module, 30600, one);
            QVERIFY(link->AnswerReceived());
        }
        link->OnDatagram(Module, 30600, two + two);
        QCOMPARE(link->FoundDeviceCount(), 2);
        QCOMPARE(link->DeviceList().size(), 16);

        // A module whose tag happens to read like a MAC is still listed.
        DiscoveryRecord odd = makeRecord(4, QStringLiteral("18-98-66-0A-BC-05"));
        link->OnDatagram(Module, 30600, odd.toBytes());
        link->OnDatagram(Module, 30600, makeRecord(5, QStringLiteral("Fifth")).toBytes());
        QCOMPARE(link->FoundDeviceCount(), 4);
    }

    void floodOfAnswersKeepsOneEntryPerMac() {
        // 20,000 modules, each answering every attempt: listed once each, in
        // the order of their first answers.
        link->setListeningForTests(true);
        auto record = [](int n) {
            DiscoveryRecord r = makeRecord(uint8_t(n), QStringLiteral("m%1").arg(n));
            r.MAC[3] = uint8_t(n >> 16);
            r.MAC[4] = uint8_t(n >> 8);
            return r.toBytes();
        };
        const int modules = 20000;
        for (int attempt = 0; attempt < 2; ++attempt) {
            for (int n = 0; n < modules; n += 10) {
                QByteArray datagram;
                for (int k = n; k < n + 10; ++k)
                    datagram += record(k);
                link->OnDatagram(Module, 30600, datagram);
            }
        }
        QCOMPARE(link->FoundDeviceCount(), modules);
        QCOMPARE(link->FoundDeviceField(1, 6), QStringLiteral("m0"));
        QCOMPARE(link->FoundDeviceField(modules, 6), QStringLiteral("m%1").arg(modules - 1));
        QCOMPARE(link->FoundDeviceField(modules, 0), QStringLiteral("18-98-66-00-4E-1F"));
        // A fresh search lists them again.
        link->ClearDevices();
        link->OnDatagram(Module, 30600, record(5));
        QCOMPARE(link->FoundDeviceCount(), 1);
    }

    void datagramsThatNeverCount() {
        const QByteArray rec = makeRecord(2, QStringLiteral("Echo")).toBytes();

        // Between exchanges datagrams are logged and dropped.
        link->setListeningForTests(false);
        link->OnDatagram(Module, 30600, rec);
        QVERIFY(!link->AnswerReceived());
        QCOMPARE(listener.texts(WM_LINK_FRAMELOG),
                 QStringList({"Remote: [10.77.0.2] : Port[30600]\r\nLocal: [10.77.0.1]\r\n"
                              "Number of bytes: 55"}));

        link->setListeningForTests(true);
        // The PC's own broadcast coming back.
        link->OnDatagram(Local, 30600, rec);
        // Another port, or nothing at all.
        link->OnDatagram(Module, 30602, rec);
        link->OnDatagram(Module, 30600, QByteArray());
        QVERIFY(!link->AnswerReceived());
        QCOMPARE(link->FoundDeviceCount(), 0);
        // No log line without a sender address.
        QCOMPARE(listener.count(WM_LINK_FRAMELOG), 4);

        // The configuration port with a record from the PC itself.
        link->OnDatagram(Local, 30601, configReply(0x00));
        QVERIFY(!link->AnswerReceived());
    }

    void configReplies() {
        link->setListeningForTests(true);

        // Requests (status 0xFF) are passed over; not whole records ignored.
        link->OnDatagram(Module, 30601, configReply(0xFF));
        link->OnDatagram(Module, 30601, configReply(0x00).left(75));
        QVERIFY(!link->AnswerReceived());
        QCOMPARE(link->ModuleConfig()[0], uint8_t(0));

        // The first record that is not a request is taken.
        link->OnDatagram(Module, 30601,
                         configReply(0xFF, 1) + configReply(0x30, 2) + configReply(0x00, 3));
        QVERIFY(link->AnswerReceived());
        QCOMPARE(link->ModuleConfig()[5], uint8_t(2));
        QCOMPARE(link->ModuleConfig()[74], uint8_t(0x30));
        // The conflict bit wins over the failure bit.
        QCOMPARE(ModuleConfigRecord::resultForStatus(link->ModuleConfig()[74]),
                 ModuleConfigRecord::Conflict);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x00), ModuleConfigRecord::Accepted);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x20), ModuleConfigRecord::Conflict);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x10), ModuleConfigRecord::Failed);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x01), ModuleConfigRecord::Failed);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x11), ModuleConfigRecord::Failed);
        QCOMPARE(ModuleConfigRecord::resultForStatus(0x21), ModuleConfigRecord::Conflict);
    }

    void foundDeviceFieldDefaults() {
        const QStringList defaults = {"00-00-00-00-00-00", "0.0.0.0", "0.0.0.0", "0.0.0.0", "", "",
                                      "TCP Module",        "0"};
        for (int f = 0; f < 8; ++f) {
            QCOMPARE(link->FoundDeviceField(0, f), defaults[f]);
            QCOMPARE(link->FoundDeviceField(1, f), defaults[f]);
        }
        link->setListeningForTests(true);
        link->OnDatagram(Module, 30600, makeRecord(9, QStringLiteral("Only")).toBytes());
        QCOMPARE(link->FoundDeviceField(1, 1), QStringLiteral("10.77.0.9"));
        QCOMPARE(link->FoundDeviceField(2, 6), QStringLiteral("TCP Module"));
    }

    void configRecordLayout() {
        const uint8_t mac[6] = {0x18, 0x98, 0x66, 1, 2, 3};
        const uint8_t ip[4] = {10, 1, 2, 3}, gw[4] = {10, 1, 2, 254}, mask[4] = {255, 255, 0, 0};

        ModuleConfigRecord autoIp =
            ModuleConfigRecord::build(mac, QStringLiteral("Hall"), true, ip, gw, mask);
        QCOMPARE(autoIp.b[18], uint8_t(1));
        QCOMPARE(autoIp.b[25], uint8_t(0x14));
        for (int i = 6; i < 18; ++i)
            QCOMPARE(autoIp.b[i], uint8_t(0));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(autoIp.b + 42), 5),
                 QByteArray("Hall\0", 5));

        ModuleConfigRecord fixed =
            ModuleConfigRecord::build(mac, QString(32, QLatin1Char('x')), false, ip, gw, mask);
        QCOMPARE(fixed.b[18], uint8_t(0));
        QCOMPARE(fixed.b[25], uint8_t(0x15));
        QCOMPARE(fixed.ipText(), QStringLiteral("10.1.2.3"));
        QCOMPARE(fixed.gatewayText(), QStringLiteral("10.1.2.254"));
        QCOMPARE(fixed.maskText(), QStringLiteral("255.255.0.0"));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(fixed.b), 6),
                 QByteArray(reinterpret_cast<const char *>(mac), 6));
        // 32 characters fill bytes 42..73 with no terminating zero.
        for (int i = 42; i < 74; ++i)
            QCOMPARE(fixed.b[i], uint8_t('x'));
        QCOMPARE(fixed.b[74], uint8_t(0));

        fixed.b[74] = 0xFF;
        unsigned sum = 0;
        for (int i = 0; i < 75; ++i)
            sum += fixed.b[i];
        QCOMPARE(ModuleLink::ModuleConfigChecksum(fixed.b), uint8_t(sum & 0xFF));
    }

    void ldcdPackets() {
        LdcdPacket q = LdcdPacket::queryRequest();
        q.sealRequest();
        QCOMPARE(q.b[16], uint8_t(0x01));
        QCOMPARE(q.b[30], uint8_t(0xFF));
        unsigned sum = 0;
        for (int i = 0; i < 31; ++i)
            sum += q.b[i];
        QCOMPARE(q.b[31], uint8_t(sum & 0xFF));
        QCOMPARE(ModuleLink::LDCDChecksum(q.b), q.b[31]);

        const QString expected =
            QStringLiteral(
                "send LDCD:   \r\nheader:5E 21 9C 47 D0 3A 88 F1 6B 12 E7 A4 39 C5 0D 72 "
                "\r\ncommand:01\r\nparam1:00; param2:00\r\nDHCP:00\r\nIPAddr:00 00 00 00"
                "\r\nReveiveOK:FF\r\nCheckSum:%1\r\n///////////////////////////////////////")
                .arg(q.b[31], 2, 16, QLatin1Char('0'))
                .toUpper()
                .replace(QStringLiteral("SEND"), QStringLiteral("send"))
                .replace(QStringLiteral("HEADER"), QStringLiteral("header"))
                .replace(QStringLiteral("COMMAND"), QStringLiteral("command"))
                .replace(QStringLiteral("PARAM"), QStringLiteral("param"))
                .replace(QStringLiteral("IPADDR"), QStringLiteral("IPAddr"))
                .replace(QStringLiteral("REVEIVEOK"), QStringLiteral("ReveiveOK"))
                .replace(QStringLiteral("CHECKSUM"), QStringLiteral("CheckSum"));
        QCOMPARE(LdcdPacket::logText(QStringLiteral("send LDCD:   "), q.b), expected);

        LdcdPacket r = LdcdPacket::resetRequest();
        QCOMPARE(r.b[16], uint8_t(0xFF));
        QCOMPARE(r.b[19], uint8_t(1));
        QCOMPARE(r.ipText(), QStringLiteral("192.168.0.100"));

        // Reply checks: status, checksum and signature.
        LdcdPacket reply = q;
        reply.b[17] = 2;
        reply.b[18] = 7;
        reply.b[30] = 0;
        reply.b[31] = LdcdPacket::Checksum(reply.b);
        QVERIFY(reply.acceptedReplyTo(q.b));
        QCOMPARE(reply.versionText(), QStringLiteral("Ver2.07"));
        reply.b[18] = 15;
        QCOMPARE(reply.versionText(), QStringLiteral("Ver2.15"));
        LdcdPacket bad = reply;
        bad.b[30] = 0xFF;
        bad.b[31] = LdcdPacket::Checksum(bad.b);
        QVERIFY(!bad.acceptedReplyTo(q.b));
        bad = reply;
        bad.b[31] ^= 1;
        QVERIFY(!bad.acceptedReplyTo(q.b));
        bad = reply;
        bad.b[3] ^= 0x40;
        bad.b[31] = LdcdPacket::Checksum(bad.b);
        QVERIFY(!bad.acceptedReplyTo(q.b));
    }
};

QTEST_GUILESS_MAIN(TstModuleProtocol)
#include "tst_moduleprotocol.moc"
