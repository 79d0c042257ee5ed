// matrix-cli's long workflows against the simulated unit: product
// information, and upgrades from a ".fw2" package and from a ".fw" file with
// the Upgrade Firmware page's run result texts, a board that refuses its
// part, "Board Info Only", a unit that does not answer and files that cannot
// be used. What the unit stored is compared with what the files carry.

#include "../firmware/UnitSamples.h"
#include "CliRun.h"
#include "MatrixSimulator.h"
#include "MatrixState.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Success = 0, Failed = 1, BadInput = 2, Refused = 3, TimedOut = 4;

QStringList marksOf(const QJsonObject &o) {
    QStringList out;
    for (const QJsonValue &v : o.value("marks").toArray())
        out << v.toObject().value("board").toString() + QStringLiteral(" ->") +
                   v.toObject().value("mark").toString();
    return out;
}

} // namespace

class TestMatrixCliUpgrade : public QObject {
    Q_OBJECT

    std::unique_ptr<MatrixSimulator> sim;
    QTemporaryDir dir;

    QStringList tcp() const { return tcpTo(sim->tcpPort()); }

    QString writePackage(const QString &name, const QByteArray &bytes) {
        const QString path = dir.filePath(name);
        return unitsamples::writeFile(path, bytes) ? path : QString();
    }

    void useUnit(int cards) {
        sim->withState([cards](MatrixState &s) {
            s.unit = unitsamples::unit(cards);
            s.rebootMs = 30;
        });
    }

private slots:
    void init() {
        SimOptions o;
        o.edidDir = QStringLiteral("-");
        sim = std::make_unique<MatrixSimulator>(o);
        QVERIFY(sim->start());
    }
    void cleanup() { sim.reset(); }

    // ---- product information ----------------------------------------------

    void infoJson() {
        useUnit(2);
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("info"));
        QCOMPARE(r.exitCode, Success);
        const QJsonObject o = r.json();
        const QJsonArray boards = o.value("boards").toArray();
        QCOMPARE(boards.size(), 3);
        QCOMPARE(boards.at(0).toObject().value("name").toString(), QStringLiteral("MAIN"));
        QCOMPARE(boards.at(0).toObject().value("specialCode").toString(), QStringLiteral("0007"));
        const QJsonObject input = boards.at(1).toObject();
        QCOMPARE(input.value("pcbType").toInt(), int(unitsamples::InputType));
        QCOMPARE(input.value("slots").toArray().size(), 2);
        const QJsonObject slot2 = input.value("slots").toArray().at(1).toObject();
        QCOMPARE(slot2.value("subIndex").toInt(), 1);
        QCOMPARE(slot2.value("name").toString(), QStringLiteral("INPUT-OLD"));
        QCOMPARE(slot2.value("pcbVersion").toString(), QStringLiteral("B"));
        QCOMPARE(o.value("firmwareVersion").toString(), QStringLiteral("2.03"));
        // The page's progress lines go to standard error.
        QVERIFY(r.err.contains("Reading, please wait ..."));
    }

    void infoText() {
        useUnit(2);
        const CliRun r = runCli(tcp() << QStringLiteral("info"));
        QCOMPARE(r.exitCode, Success);
        const QStringList lines = r.outLines();
        QCOMPARE(lines.first(), QStringLiteral("Firmware Version: 2.03"));
        QVERIFY(lines.contains(QStringLiteral("INPUT: INPUT1 => INPUT-OLD")));
        QCOMPARE(lines.last(), QStringLiteral("=====================End====================="));
    }

    // A board that claims board information but cannot deliver it.
    void infoBoardFails() {
        useUnit(1);
        sim->withState([](MatrixState &s) { s.unit.board(6, 0)->silentAfter = 1; });
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("info"));
        QCOMPARE(r.exitCode, TimedOut);
        QCOMPARE(r.json().value("error").toString(),
                 QStringLiteral("Read Product Information Failed"));
        QVERIFY(r.err.contains("Read PI:PCBType.SubIndex[6.0] Failed"));
    }

    // ---- upgrade -------------------------------------------------------------

    void upgradePackage() {
        const int cards = 2;
        useUnit(cards);
        const QString package =
            writePackage(QStringLiteral("unit.fw2"), unitsamples::unitPackage(cards));
        const CliRun r =
            runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << package);
        QCOMPARE(r.exitCode, Success);
        const QJsonObject o = r.json();
        QCOMPARE(o.value("result").toString(), QStringLiteral("Firmware upgrade successfully"));
        QCOMPARE(o.value("log").toArray().last().toString(),
                 QStringLiteral("Firmware upgrade successfully!"));
        QCOMPARE(o.value("parts").toArray().size(), 1 + 2 * cards);
        QCOMPARE(o.value("boards").toArray().size(), 1 + 2 * cards);
        QVERIFY(o.value("marks").toArray().isEmpty());
        sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedImage(0, 0), unitsamples::imageOf(0, cards));
            for (uint8_t type : {unitsamples::InputType, unitsamples::OutputType}) {
                for (int n = 0; n < cards; ++n) {
                    QCOMPARE(s.unit.storedImage(type, n), unitsamples::imageOf(type, cards));
                    QCOMPARE(s.unit.lastImage(type, n)->slot(), uint16_t(n + 1));
                    QCOMPARE(s.unit.board(type, n)->boardInfoWrites, 1);
                }
            }
        });
        // Percentages of the parts on standard error.
        QVERIFY(r.err.contains("Upgrading Part_"));
        QVERIFY(r.err.contains("100%"));
    }

    // A board that refuses its part: six tries, the run goes on with the other
    // boards, the node is marked and the run ends refused.
    void upgradeRefusedBoard() {
        const int cards = 2;
        useUnit(cards);
        sim->withState([](MatrixState &s) { s.unit.board(5, 1)->refuseParts = true; });
        const QString package =
            writePackage(QStringLiteral("unit.fw2"), unitsamples::unitPackage(cards));
        const CliRun r =
            runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << package);
        QCOMPARE(r.exitCode, Refused);
        const QJsonObject o = r.json();
        QCOMPARE(o.value("exit").toString(), QStringLiteral("refused"));
        QCOMPARE(o.value("result").toString(), QStringLiteral("Firmware upgrade failed"));
        QCOMPARE(marksOf(o), QStringList{QStringLiteral("INPUT 2 ->FMFail")});
        QCOMPARE(o.value("refusedParts").toArray().size(), 6);
        sim->withState([&](MatrixState &s) {
            QVERIFY(s.unit.storedImage(5, 1).isEmpty());
            QCOMPARE(s.unit.storedImage(5, 0), unitsamples::imageOf(5, cards));
            QCOMPARE(s.unit.storedImage(6, 1), unitsamples::imageOf(6, cards));
        });
    }

    void upgradeBoardInfoOnly() {
        const int cards = 1;
        useUnit(cards);
        const QString package =
            writePackage(QStringLiteral("unit.fw2"), unitsamples::unitPackage(cards));
        // The flag may stand anywhere after the command.
        const CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade")
                                      << QStringLiteral("--board-info-only") << package);
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("boardInfoOnly").toBool(), true);
        QCOMPARE(r.json().value("result").toString(),
                 QStringLiteral("Firmware upgrade successfully"));
        sim->withState([&](MatrixState &s) {
            QVERIFY(s.uploads.isEmpty());
            QCOMPARE(s.unit.board(5, 0)->boardInfoWrites, 1);
            QCOMPARE(s.unit.storedBlock(5, 0).isEmpty(), false);
        });
    }

    void upgradeFirmwareFile() {
        const int cards = 2;
        useUnit(cards);
        const QString file =
            writePackage(QStringLiteral("unit.fw"), unitsamples::unitFirmwareFile(cards));
        CliRun r = runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << file);
        QCOMPARE(r.exitCode, Success);
        QCOMPARE(r.json().value("package").toBool(), false);
        QCOMPARE(r.json().value("result").toString(),
                 QStringLiteral("Firmware upgrade successfully"));
        sim->withState([&](MatrixState &s) {
            QCOMPARE(s.unit.storedImage(0, 0), unitsamples::fileImage(McuKindMain, 0));
            for (uint8_t type : {unitsamples::InputType, unitsamples::OutputType})
                for (int n = 1; n <= cards; ++n)
                    QCOMPARE(s.unit.storedImage(type, n - 1),
                             unitsamples::fileImage(type, uint16_t(n)));
        });

        // A ".fw" file has no board information to write.
        r = runCli(tcp() << QStringLiteral("upgrade") << file
                         << QStringLiteral("--board-info-only"));
        QCOMPARE(r.exitCode, Failed);
        QCOMPARE(r.outLines().value(0), QStringLiteral("No Firmware upgraded"));
    }

    // The run asks the main board again and again while it keeps silent; the
    // command line ends it after three rounds as a time-out.
    void upgradeUnitDoesNotAnswer() {
        useUnit(1);
        FaultSettings silent;
        silent.rate = 1.0;
        silent.kinds = {FaultKind::DropReply};
        sim->setFaults(silent);
        const QString package =
            writePackage(QStringLiteral("unit.fw2"), unitsamples::unitPackage(1));
        const CliRun r =
            runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << package);
        QCOMPARE(r.exitCode, TimedOut);
        QCOMPARE(r.json().value("result").toString(), QStringLiteral("Upgrading stopped"));
        sim->withState([](MatrixState &s) { QVERIFY(s.uploads.isEmpty()); });
    }

    // SIGTERM ends a run at its next check, as closing the window does.
    void upgradeTerminated() {
        useUnit(1);
        FaultSettings silent;
        silent.rate = 1.0;
        silent.kinds = {FaultKind::DropReply};
        sim->setFaults(silent);
        const QString package =
            writePackage(QStringLiteral("unit.fw2"), unitsamples::unitPackage(1));
        QProcess p;
        // Long tries: only the signal can end the run in time.
        startCli(p, tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << package,
                 cliEnvironment(QStringLiteral("fast,ticksPerTry=20000")));
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(!sim->frameLog().isEmpty(), 10000);
        p.terminate();
        const CliRun r = finishCli(p, 10000);
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, Failed);
        QCOMPARE(r.json().value("result").toString(), QStringLiteral("Upgrading stopped"));
    }

    void upgradeBadFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not a package name")
            << QStringLiteral("unit.bin") << unitsamples::unitPackage(1);
        QTest::newRow("no part in it") << QStringLiteral("junk.fw2") << QByteArray(64, 'j');
        QTest::newRow("empty firmware file") << QStringLiteral("empty.fw") << QByteArray();
        QTest::newRow("missing") << QStringLiteral("missing.fw2") << QByteArray("-");
    }
    void upgradeBadFile() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = bytes == "-" ? dir.filePath(QStringLiteral("nothing/") + name)
                                          : writePackage(name, bytes);
        const CliRun r =
            runCli(tcp() << QStringLiteral("--json") << QStringLiteral("upgrade") << path);
        QCOMPARE(r.exitCode, BadInput);
        QCOMPARE(r.json().value("exit").toString(), QStringLiteral("bad-input"));
        QVERIFY(sim->frameLog().isEmpty());
    }
};

QTEST_MAIN(TestMatrixCliUpgrade)
#include "tst_matrixcliupgrade.moc"
