// The 32-byte LDCD exchange with the TCP control module over a real
// pseudo-terminal: the scripted peer answers each request as told.

#include "LanFixture.h"
#include "LinkTap.h"
#include "link/LinkTiming.h"
#include "link/ModuleLink.h"
#include "link/TSCOMControl.h"
#include "protocol/LdcdPacket.h"

#include <QTest>
#include <QTimer>
#include <memory>

namespace {

enum class Answer { Good, NotTaken, BadChecksum, ForeignSignature, Silent };

QByteArray answer(const QByteArray &request, Answer kind) {
    if (kind == Answer::Silent)
        return QByteArray();
    QByteArray r = request;
    r[17] = 2;
    r[18] = 7;
    r[19] = 0;
    r[20] = 10;
    r[21] = 0;
    r[22] = 0;
    r[23] = 5;
    r[30] = kind == Answer::NotTaken ? char(0xFF) : char(0x00);
    if (kind == Answer::ForeignSignature)
        r[0] = char(r[0] ^ 0x01);
    r[31] =
        static_cast<char>(LdcdPacket::Checksum(reinterpret_cast<const uint8_t *>(r.constData())));
    if (kind == Answer::BadChecksum)
        r[31] = char(r[31] + 1);
    return r;
}

} // namespace

class TstModuleCommand : public QObject {
    Q_OBJECT

    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<TTSCOMControl> engine;
    std::unique_ptr<ModuleLink> link;
    RecordingListener listener;
    QList<Answer> script;

    void open() {
        peer = std::make_unique<PtyPeer>(32, [this](const QByteArray &req, int index) {
            return answer(req, script.value(index, Answer::Silent));
        });
        QVERIFY(peer->start());
        engine = std::make_unique<TTSCOMControl>();
        TapEngine(engine.get(), &listener);
        engine->setControlMode(cmCOM);
        engine->setComPort(peer->path());
        QVERIFY(engine->Connect());
        link = std::make_unique<ModuleLink>(engine.get());
        TapModuleLink(link.get(), &listener);
    }

private slots:
    void initTestCase() { LinkTiming::shrinkForTests(); }

    void init() { listener.Messages.clear(); }

    void cleanup() {
        link.reset();
        if (engine)
            engine->Disconnect();
        engine.reset();
        peer.reset();
    }

    void queryAnsweredAtOnce() {
        script = {Answer::Good};
        open();
        LdcdPacket request = LdcdPacket::queryRequest();
        request.b[25] = 0x5A; // the caller's bytes 16..29 travel as given
        TModuleReply reply;
        link->ModuleCommand(request.b, reply);
        QVERIFY(reply.ok());

        const QList<QByteArray> sent = peer->requests();
        QCOMPARE(sent.size(), 1);
        const auto *s = reinterpret_cast<const uint8_t *>(sent[0].constData());
        QCOMPARE(QByteArray(sent[0].left(16)),
                 QByteArray(reinterpret_cast<const char *>(LdcdPacket::Signature), 16));
        QCOMPARE(s[16], uint8_t(0x01));
        QCOMPARE(s[25], uint8_t(0x5A));
        QCOMPARE(s[30], uint8_t(0xFF));
        QCOMPARE(s[31], LdcdPacket::Checksum(s));

        LdcdPacket got;
        std::copy(reply.Bytes, reply.Bytes + 32, got.b);
        QCOMPARE(got.versionText(), QStringLiteral("Ver2.07"));
        QCOMPARE(got.ipText(), QStringLiteral("10.0.0.5"));
        QVERIFY(!got.autoIP());

        const QStringList logs = listener.texts(WM_LINK_FRAMELOG);
        QCOMPARE(logs.size(), 2);
        QVERIFY(logs[0].startsWith(QStringLiteral("send LDCD:   \r\nheader:5E 21 9C 47")));
        QVERIFY(logs[1].startsWith(QStringLiteral("rcv LDCD:   \r\n")));
        QVERIFY(logs[1].contains(QStringLiteral("IPAddr:0A 00 00 05\r\nReveiveOK:00")));
    }

    void unusableRepliesAreRetried() {
        // Not taken, wrong checksum and a foreign signature each cost a try.
        script = {Answer::NotTaken, Answer::BadChecksum, Answer::ForeignSignature, Answer::Good};
        open();
        TModuleReply reply;
        link->ModuleCommand(LdcdPacket::resetRequest().b, reply);
        QVERIFY(reply.ok());
        QCOMPARE(peer->requests().size(), 4);
        QCOMPARE(listener.count(WM_LINK_INVALID), 0);
        QCOMPARE(listener.count(WM_LINK_TIMEOUT), 0);
        // Every try sends the same packet.
        for (const QByteArray &r : peer->requests())
            QCOMPARE(r, peer->requests().first());
    }

    void fiveBadReplies_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("invalidMessages");
        QTest::newRow("bad checksum") << int(Answer::BadChecksum) << 1;
        // A last reply with a right checksum fails quietly.
        QTest::newRow("not taken") << int(Answer::NotTaken) << 0;
        QTest::newRow("foreign signature") << int(Answer::ForeignSignature) << 0;
    }

    void fiveBadReplies() {
        QFETCH(int, kind);
        QFETCH(int, invalidMessages);
        script = QList<Answer>(5, Answer(kind));
        open();
        TModuleReply reply;
        link->ModuleCommand(LdcdPacket::queryRequest().b, reply);
        QVERIFY(!reply.ok());
        QCOMPARE(peer->requests().size(), 5);
        QCOMPARE(listener.count(WM_LINK_INVALID), invalidMessages);
        QCOMPARE(listener.count(WM_LINK_TIMEOUT), 0);
        // The reply holds what the module sent last.
        QCOMPARE(reply.Bytes[17], uint8_t(2));
    }

    void silentModuleTimesOut() {
        script = {Answer::Silent, Answer::Silent, Answer::Silent, Answer::BadChecksum,
                  Answer::Silent};
        open();
        TModuleReply reply;
        link->ModuleCommand(LdcdPacket::queryRequest().b, reply);
        QVERIFY(!reply.ok());
        QCOMPARE(peer->requests().size(), 5);
        QCOMPARE(listener.count(WM_LINK_TIMEOUT), 1);
        QCOMPARE(listener.count(WM_LINK_INVALID), 0);
    }

    void closingEndsTheExchange() {
        script = {Answer::Silent};
        open();
        // Closing already set: nothing is sent and the reply stays as it was.
        engine->SetClosing(true);
        TModuleReply reply;
        reply.Bytes[30] = 0x42;
        link->ModuleCommand(LdcdPacket::queryRequest().b, reply);
        QCOMPARE(reply.Bytes[30], uint8_t(0x42));
        QTest::qWait(50);
        QCOMPARE(peer->requests().size(), 0);

        // Closing set during the wait: no message, failure.
        engine->SetClosing(false);
        QTimer::singleShot(30, [this] { engine->SetClosing(true); });
        link->ModuleCommand(LdcdPacket::queryRequest().b, reply);
        QVERIFY(!reply.ok());
        QCOMPARE(peer->requests().size(), 1);
        QCOMPARE(listener.count(WM_LINK_TIMEOUT), 0);
        QCOMPARE(listener.count(WM_LINK_INVALID), 0);
        engine->SetClosing(false);
    }

    void linkFailureIsReported() {
        script = {};
        open();
        engine->Disconnect();
        TModuleReply reply;
        link->ModuleCommand(LdcdPacket::queryRequest().b, reply);
        QVERIFY(!reply.ok());
        QCOMPARE(listener.count(WM_LINK_EXCEPTION), 1);
    }
};

QTEST_GUILESS_MAIN(TstModuleCommand)
#include "tst_modulecommand.moc"
