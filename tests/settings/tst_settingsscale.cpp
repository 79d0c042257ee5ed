// The settings file at sizes a long-used tool reaches: tens of thousands of
// label sections left by devices long gone, and files far beyond anything
// the tool writes. Behaviour only; the speed is measured by bench/scale.

#include "settings/IniFile.h"
#include "settings/PortTagStore.h"
#include "settings/SettingsData.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString mac(int n) {
    return QStringLiteral("18-98-66-%1-%2-%3")
        .arg((n >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((n >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(n & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

// `devices` pairs of label sections; the pairs of every second device are blank.
QByteArray labelFile(int devices) {
    QByteArray out = "[Control Mode]\r\nMode=1\r\n";
    for (int n = 0; n < devices; ++n) {
        const bool blank = n % 2 == 1;
        for (const char *dir : {"Input", "Output"}) {
            out += "[Tag of " + QByteArray(dir) + " - TCP:" + mac(n).toLatin1() + "]\r\n";
            for (int p = 1; p <= 8; ++p)
                out += QByteArray(dir[0] == 'I' ? "In " : "Out ") + QByteArray::number(p) + "=" +
                       (blank ? QByteArray("  ") : "dev " + QByteArray::number(n)) + "\r\n";
        }
    }
    return out;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class tst_settingsscale : public QObject {
    Q_OBJECT

private slots:
    void pruneTwentyThousandDevices();
    void pruneJudgesFirstOfDuplicateNames();
    void oversizedFileIsRefusedAndKept();
    void fileAtTheLimitIsRead();
};

void tst_settingsscale::pruneTwentyThousandDevices() {
    const int devices = 20000;
    IniFile ini;
    ini.setData(labelFile(devices));
    QCOMPARE(ini.sectionNames().size(), 1 + 2 * devices);
    PortTagStore::prune(ini);

    const QStringList left = ini.sectionNames();
    QCOMPARE(left.size(), 1 + devices);
    QCOMPARE(left.first(), QString("Control Mode"));
    // The kept ones in their order, each with its labels.
    for (int n = 0; n < devices; n += 2) {
        QCOMPARE(left.at(1 + n), "Tag of Input - TCP:" + mac(n));
        QCOMPARE(left.at(2 + n), "Tag of Output - TCP:" + mac(n));
    }
    QCOMPARE(ini.readString("Tag of Output - TCP:" + mac(devices - 2), "Out 8"),
             QString("dev %1").arg(devices - 2));
    QVERIFY(!ini.hasSection("Tag of Input - TCP:" + mac(devices - 1)));
    QCOMPARE(ini.readInteger("Control Mode", "Mode", 0), 1);
    // Prune changes nothing a second time.
    const QByteArray once = ini.data();
    PortTagStore::prune(ini);
    QCOMPARE(ini.data(), once);
}

void tst_settingsscale::pruneJudgesFirstOfDuplicateNames() {
    // A name present twice is judged by its first section (the one every read
    // sees) and then goes as a whole, in any spelling.
    IniFile ini;
    ini.setData("; head\r\n"
                "[Tag of Input - COM]\r\nIn 1= \r\n"
                "[Other]\r\nk=v\r\n"
                "[tag of input - com]\r\nIn 1=kept?\r\n"
                "[Tag of Output - COM]\r\nOut 1=TV\r\n"
                "[TAG OF OUTPUT - COM]\r\n"
                "[Tag of Input - TCP:18-98-66-00-00-01]\r\n");
    PortTagStore::prune(ini);
    QCOMPARE(ini.data(), QByteArray("; head\r\n"
                                    "[Other]\r\nk=v\r\n"
                                    "[Tag of Output - COM]\r\nOut 1=TV\r\n"
                                    "[TAG OF OUTPUT - COM]\r\n"));
}

void tst_settingsscale::oversizedFileIsRefusedAndKept() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    QByteArray big = labelFile(1);
    big += "[Filler]\r\n";
    while (big.size() <= IniFile::MaxFileSize)
        big += "x=" + QByteArray(1000, 'y') + "\r\n";
    QVERIFY(writeAll(path, big));

    IniFile ini(path);
    QVERIFY(!ini.load());
    QVERIFY(ini.tooLarge());
    QCOMPARE(ini.errorString(), "Unable to read from " + path +
                                    ": the file is larger than 4 MiB, so it is left as it is");
    QVERIFY(ini.sectionNames().isEmpty());

    // Nothing that writes settings touches it.
    QString error;
    SettingsData data = SettingsData::loadFile(path);
    QCOMPARE(data.deviceMac, SettingsData().deviceMac);
    QVERIFY(!data.saveFile(path, &error));
    QCOMPARE(error, ini.errorString());
    PortTagStore::Tags tags;
    tags.inputs[0] = "Player";
    QVERIFY(!PortTagStore::saveFile(path, cmCOM, QString(), tags, &error));
    QCOMPARE(error, ini.errorString());
    QCOMPARE(readAll(path), big);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Settings.ini"});
}

void tst_settingsscale::fileAtTheLimitIsRead() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    QByteArray bytes = "[Tag of Input - COM]\r\nIn 1=Player\r\n[Filler]\r\n";
    const QByteArray line = "x=" + QByteArray(62, 'y') + "\r\n";
    int lines = 0;
    for (; bytes.size() + line.size() <= IniFile::MaxFileSize; ++lines)
        bytes += line;
    bytes += QByteArray(IniFile::MaxFileSize - bytes.size(), ';');
    QCOMPARE(bytes.size(), IniFile::MaxFileSize);
    QVERIFY(writeAll(path, bytes));

    IniFile ini(path);
    QVERIFY(ini.load());
    QVERIFY(!ini.tooLarge());
    QCOMPARE(ini.readString("Tag of Input - COM", "In 1"), QString("Player"));
    QCOMPARE(ini.keyNames("Filler").size(), lines);
    // Written back unchanged but for the break of its unterminated last line.
    QVERIFY(ini.save());
    QCOMPARE(readAll(path), bytes + "\r\n");
}

QTEST_GUILESS_MAIN(tst_settingsscale)
#include "tst_settingsscale.moc"
