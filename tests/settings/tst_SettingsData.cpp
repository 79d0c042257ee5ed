// "Settings.ini" as the tool reads and writes it: defaults, limits, the order
// of sections and keys, the device list, presets and the port labels.

#include "settings/IniFile.h"
#include "settings/PortTagStore.h"
#include "settings/SettingsData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kMacA = "00-1E-C0-11-22-33";
const QString kMacB = "00-1E-C0-44-55-66";
const QString kEntryA = "[Hall] - [Static IP] - [192.168.0.100] - [192.168.0.1] - "
                        "[255.255.255.0] - [00-1E-C0-11-22-33] - [Same Subnet]";
const QString kEntryB = "[Booth] - [Auto IP] - [10.0.0.7] - [10.0.0.1] - "
                        "[255.0.0.0] - [00-1E-C0-44-55-66] - [Cross Subnet]";
const QStringList kOneToEight{"1", "2", "3", "4", "5", "6", "7", "8"};

// Text written with LF line ends, as the file holds it (CR LF).
QByteArray fileText(const QString &text) {
    return text.toLatin1().replace("\n", "\r\n");
}

IniFile parsed(const QByteArray &bytes) {
    IniFile ini;
    ini.setData(bytes);
    return ini;
}

QByteArray written(const SettingsData &d) {
    IniFile ini;
    d.write(ini);
    return ini.data();
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QStringList tagSections(const IniFile &ini) {
    return ini.sectionNames().filter("Tag of");
}

PortTagStore::Tags someTags() {
    PortTagStore::Tags t;
    t.inputs[0] = "Blu-ray";
    t.inputs[7] = "  PC 2 ";
    t.outputs[2] = "\"Projector\"";
    return t;
}

SettingsData populated() {
    SettingsData d;
    d.lanMode = false;
    d.comPort = "/dev/ttyUSB0";
    d.lanDevice = kEntryB;
    d.devices = QStringList{kEntryB, kEntryA}; // in the order the list shows them
    d.presets[0] = {" Main hall", {"3", "3", "1", "2", "3", "4", "5", "6"}};
    d.presets[7] = {"Empty", {}};
    d.inDeviceNames = QStringList{"Blu-ray", "  PC 2 "};
    d.outDisplayNames = QStringList{"\"Projector\""};
    d.edidMode = "Copy EDID";
    d.setEdidModeInput = "In 2";
    d.copyEdidOutput = "Out 3";
    d.copyEdidInput = "All Inputs";
    d.readEdidDataOutput = "Out 1";
    d.downloadEdidInput = "In 8";
    d.saveEdidFile = "/home/tech/edid out.bin";
    d.openEdidFile = "/home/tech/edid in.bin";
    d.displayTag = false;
    d.macId = {"00", "1E", "C0"};
    d.AfterRebootDelay = 12;
    d.BeforeBIDelay = 300;
    d.tagMode = cmCOM;
    d.tags = someTags();
    return d;
}

} // namespace

class tst_SettingsData : public QObject {
    Q_OBJECT

private slots:
    void noFileGivesDefaultsAndFirstSaveCreatesIt();
    void writesSectionsAndKeysInOrder();
    void roundTripLeavesFileUnchanged();
    void handEditedFileNormalizedOnce();
    void delaysClampedOnRead_data();
    void delaysClampedOnRead();
    void presetValuesSplitAndPadded_data();
    void presetValuesSplitAndPadded();
    void devicesUnderAnyKeysRenumbered();
    void namesMatchedWithoutCase();
    void portTagsPerInterfaceAndDevice();
    void clearedLabelsRemoveTheirSections();
    void noTcpTagSectionsWithoutDevice();
    void refusedWriteKeepsFile();
};

void tst_SettingsData::noFileGivesDefaultsAndFirstSaveCreatesIt() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");

    const SettingsData d = SettingsData::loadFile(path);
    QVERIFY(!QFile::exists(path)); // reading never creates the file
    QVERIFY(d.lanMode);
    QCOMPARE(d.tagMode, cmLAN);
    QCOMPARE(d.deviceMac, QString("00-00-00-00-00-00"));
    QVERIFY(d.comPort.isEmpty() && d.lanDevice.isEmpty() && d.devices.isEmpty());
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(d.presets[n - 1].name, "Settings " + QString::number(n));
        QCOMPARE(d.presets[n - 1].columns, kOneToEight);
    }
    QVERIFY(d.inDeviceNames.isEmpty() && d.outDisplayNames.isEmpty());
    QVERIFY(d.displayTag);
    QCOMPARE(d.macId, (std::array<QString, 3>{"18", "98", "66"}));
    QCOMPARE(d.AfterRebootDelay, 0);
    QCOMPARE(d.BeforeBIDelay, 0);
    QCOMPARE(d.tags, PortTagStore::Tags());

    QString error = "stale";
    QVERIFY(d.saveFile(path, &error));
    QVERIFY(error.isEmpty());
    const QByteArray file = readAll(path);
    QVERIFY(file.startsWith(fileText("[WARNING]\nNOTE=DON'T MODIFY THIS FILE MANUALLY!\n"
                                     "[Control mode]\nMode=1\n[Pre-Setting name]\n")));
    QVERIFY(file.contains(fileText("[Pre-Setting value]\nvalue1=1,2,3,4,5,6,7,8\n")));
}

void tst_SettingsData::writesSectionsAndKeysInOrder() {
    QString expected = "[WARNING]\n"
                       "NOTE=DON'T MODIFY THIS FILE MANUALLY!\n"
                       "[Control mode]\nMode=0\n"
                       "[COM port]\nName=/dev/ttyUSB0\n"
                       "[TCP control device]\nName=" +
                       kEntryB +
                       "\n"
                       "[TCP control device list]\n"
                       "Device No.1=" +
                       kEntryB +
                       "\n"
                       "Device No.2=" +
                       kEntryA +
                       "\n"
                       "[Tag of Input - COM]\n"
                       "In 1=Blu-ray\nIn 2=\nIn 3=\nIn 4=\nIn 5=\nIn 6=\nIn 7=\nIn 8=\"  PC 2 \"\n"
                       "[Tag of Output - COM]\n"
                       "Out 1=\nOut 2=\nOut 3=\"\"Projector\"\"\nOut 4=\nOut 5=\nOut 6=\nOut 7=\n"
                       "Out 8=\n"
                       "[Pre-Setting name]\n"
                       "Setting1=\" Main hall\"\n";
    for (int n = 2; n <= 7; ++n)
        expected += QString("Setting%1=Settings %1\n").arg(n);
    expected += "Setting8=Empty\n"
                "[Pre-Setting value]\n"
                "value1=3,3,1,2,3,4,5,6\n";
    for (int n = 2; n <= 7; ++n)
        expected += QString("value%1=1,2,3,4,5,6,7,8\n").arg(n);
    expected += "value8=\n"
                "[In  device name]\nDevice1=Blu-ray\nDevice2=\"  PC 2 \"\n"
                "[Out  display name]\nDisplay1=\"\"Projector\"\"\n"
                "[EDID setting]\n"
                "EDID mode=Copy EDID\n"
                "In  of EDID mode=In 2\n"
                "Out  of Copy EDID=Out 3\n"
                "In  of Copy EDID=All Inputs\n"
                "Out  of Read EDID=Out 1\n"
                "In  of Download EDID=In 8\n"
                "Save EDID file=/home/tech/edid out.bin\n"
                "Open EDID file=/home/tech/edid in.bin\n"
                "[Display tag]\nValue=0\n"
                "[MAC ID Bytes]\nMAC ID B1=00\nMAC ID B2=1E\nMAC ID B3=C0\n"
                "[Delay Settings]\nWait After Checking Reboot=12\nWait Before Writing BI=300\n";
    QCOMPARE(written(populated()), fileText(expected));
}

void tst_SettingsData::roundTripLeavesFileUnchanged() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    QVERIFY(populated().saveFile(path));
    const QByteArray first = readAll(path);

    SettingsData back = SettingsData::loadFile(path);
    const SettingsData orig = populated();
    QCOMPARE(back.devices, orig.devices);
    QCOMPARE(back.presets[0], orig.presets[0]);           // name with a leading blank
    QCOMPARE(back.inDeviceNames, orig.inDeviceNames);     // blanks kept
    QCOMPARE(back.outDisplayNames, orig.outDisplayNames); // quotes kept
    QCOMPARE(back.tags, orig.tags);
    QCOMPARE(back.presets[7].columns, kOneToEight); // an empty row reads as the default
    // Written only: the window starts with empty paths and the tag box checked.
    QVERIFY(back.saveEdidFile.isEmpty() && back.openEdidFile.isEmpty());
    QVERIFY(back.displayTag);

    back.saveEdidFile = orig.saveEdidFile;
    back.openEdidFile = orig.openEdidFile;
    back.displayTag = false;
    back.presets[7].columns.clear();
    QVERIFY(back.saveFile(path));
    QCOMPARE(readAll(path), first);

    // Defaults only, twice over.
    const QString plain = dir.filePath("plain.ini");
    QVERIFY(SettingsData::loadFile(plain).saveFile(plain));
    const QByteArray once = readAll(plain);
    QVERIFY(SettingsData::loadFile(plain).saveFile(plain));
    QCOMPARE(readAll(plain), once);
}

void tst_SettingsData::handEditedFileNormalizedOnce() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    QVERIFY(writeAll(path, "; kept by the installer\n"
                           "[In  device name]\nb=Player\n\n"
                           "[Delay Settings]\nWait After Checking Reboot = -5\n"
                           "[Tag of Input - TCP:00-1E-C0-44-55-66]\nIn 1 =  \n"
                           "[TCP control device list]\nx=" +
                               kEntryA.toLatin1() +
                               "\n"
                               "[Custom]\nkeep=me\n"
                               "[Control mode]\nMode=1\n"));
    QVERIFY(SettingsData::loadFile(path).saveFile(path));
    const QByteArray first = readAll(path);
    const IniFile ini = parsed(first);
    QVERIFY(first.startsWith(fileText("; kept by the installer\n[In  device name]\nDevice1=Player\n"
                                      "\n[Delay Settings]\nWait After Checking Reboot=0\n"
                                      "Wait Before Writing BI=0\n"
                                      "[TCP control device list]\nDevice No.1=" +
                                      kEntryA + "\n[Custom]\nkeep=me\n")));
    QVERIFY(tagSections(ini).isEmpty()); // blank labels only: pruned
    QCOMPARE(ini.sectionNames().last(), QString("MAC ID Bytes"));

    QVERIFY(SettingsData::loadFile(path).saveFile(path));
    QCOMPARE(readAll(path), first);
}

void tst_SettingsData::delaysClampedOnRead_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("loaded");
    QTest::newRow("negative") << QByteArray("-5") << 0;
    QTest::newRow("too large") << QByteArray("1000") << 300;
    QTest::newRow("upper limit") << QByteArray("300") << 300;
    QTest::newRow("in range") << QByteArray("45") << 45;
    QTest::newRow("not a number") << QByteArray("soon") << 0;
}

void tst_SettingsData::delaysClampedOnRead() {
    QFETCH(QByteArray, stored);
    QFETCH(int, loaded);
    IniFile ini = parsed("[Delay Settings]\r\nWait After Checking Reboot=" + stored +
                         "\r\nWait Before Writing BI=" + stored + "\r\n");
    const SettingsData d = SettingsData::read(ini);
    QCOMPARE(d.AfterRebootDelay, loaded);
    QCOMPARE(d.BeforeBIDelay, loaded);
    d.write(ini);
    QCOMPARE(ini.entries("Delay Settings"),
             (IniFile::EntryList{{"Wait After Checking Reboot", QString::number(loaded)},
                                 {"Wait Before Writing BI", QString::number(loaded)}}));
}

void tst_SettingsData::presetValuesSplitAndPadded_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("columns");
    QTest::newRow("two values") << "3,4" << QStringList{"3", "4", "1", "2", "3", "4", "5", "6"};
    QTest::newRow("empty") << "" << kOneToEight;
    QTest::newRow("blanks separate")
        << " 8 7,  6 ,5" << QStringList{"8", "7", "6", "5", "1", "2", "3", "4"};
    QTest::newRow("quotes group") << "1,\"2,3\",\"a \"\"b\"\"\""
                                  << QStringList{"1", "2,3", "a \"b\"", "1", "2", "3", "4", "5"};
    // Reading the value removes quotes around all of it first.
    QTest::newRow("quoted whole") << "\"5,6\""
                                  << QStringList{"5", "6", "1", "2", "3", "4", "5", "6"};
    QTest::newRow("empty piece") << "5,,6" << QStringList{"5", "", "6", "1", "2", "3", "4", "5"};
    QTest::newRow("trailing comma") << "4," << QStringList{"4", "", "1", "2", "3", "4", "5", "6"};
    QTest::newRow("more than eight") << "1,2,3,4,5,6,7,8,9" << (kOneToEight + QStringList{"9"});
    QTest::newRow("unclosed quote")
        << "1,\"2 3" << QStringList{"1", "2 3", "1", "2", "3", "4", "5", "6"};
}

void tst_SettingsData::presetValuesSplitAndPadded() {
    QFETCH(QString, stored);
    QFETCH(QStringList, columns);
    IniFile ini;
    ini.writeString("Pre-Setting value", "value3", stored);
    const SettingsData d = SettingsData::read(ini);
    QCOMPARE(d.presets[2].columns, columns);
    QCOMPARE(d.presets[2].name, QString("Settings 3"));
    QCOMPARE(d.presets[1].columns, kOneToEight);
}

void tst_SettingsData::devicesUnderAnyKeysRenumbered() {
    IniFile ini =
        parsed(fileText("[TCP control device list]\nDevice No.7=" + kEntryB + "\nfirst=" + kEntryA +
                        "\nDevice No.7=[Third]\nempty=\nzz=[Fourth]\n"
                        "[TCP control device]\nname=" +
                        kEntryA + "\n"));
    SettingsData d = SettingsData::read(ini);
    QCOMPARE(d.devices, (QStringList{kEntryB, kEntryA, "[Third]", "[Fourth]"}));
    QCOMPARE(d.lanDevice, kEntryA);

    // The window hands the list back in its own (sorted) order.
    d.devices = QStringList{"[Fourth]", "[Third]", kEntryB, kEntryA};
    d.write(ini);
    QCOMPARE(ini.entries("TCP control device list"),
             (IniFile::EntryList{{"Device No.1", "[Fourth]"},
                                 {"Device No.2", "[Third]"},
                                 {"Device No.3", kEntryB},
                                 {"Device No.4", kEntryA}}));
    QCOMPARE(ini.sectionNames().first(), QString("TCP control device list"));

    d.devices.clear();
    d.lanDevice.clear();
    d.write(ini);
    QVERIFY(!ini.hasSection("TCP control device list"));
    // An empty selection is not written: the stored name stays.
    QCOMPARE(ini.readString("TCP control device", "Name"), kEntryA);
}

void tst_SettingsData::namesMatchedWithoutCase() {
    const SettingsData d = SettingsData::read(parsed("[control MODE]\nmode = 0\n"
                                                     "[in  DEVICE name]\nx=DVD\ny=Camera\n"
                                                     "[In device name]\nDevice1=Other\n"
                                                     "[edid SETTING]\nin  OF edid MODE=In 4\n"
                                                     "[mac id bytes]\nmac id b2=AB\n"
                                                     "[TAG OF INPUT - com]\nin 5=Mixer\n"));
    QVERIFY(!d.lanMode);
    QCOMPARE(d.tagMode, cmCOM);
    QCOMPARE(d.inDeviceNames, (QStringList{"DVD", "Camera"}));
    QCOMPARE(d.setEdidModeInput, QString("In 4"));
    QCOMPARE(d.macId, (std::array<QString, 3>{"18", "AB", "66"}));
    QCOMPARE(d.tags.inputs[4], QString("Mixer"));
}

void tst_SettingsData::portTagsPerInterfaceAndDevice() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    PortTagStore::Tags com;
    com.inputs[2] = "Camera";
    PortTagStore::Tags b;
    b.outputs[0] = "Wall";
    QVERIFY(PortTagStore::saveFile(path, cmCOM, kMacA, com));
    QVERIFY(PortTagStore::saveFile(path, cmLAN, kMacA, someTags()));
    QVERIFY(PortTagStore::saveFile(path, cmLAN, kMacB, b));

    QCOMPARE(PortTagStore::loadFile(path, cmCOM, kMacB), com);
    QCOMPARE(PortTagStore::loadFile(path, cmLAN, kMacA), someTags());
    QCOMPARE(PortTagStore::loadFile(path, cmLAN, kMacB.toLower()), b);
    QCOMPARE(PortTagStore::loadFile(path, cmLAN, "00-00-00-00-00-99"), PortTagStore::Tags());

    // Sections whose eight labels are all empty are not kept.
    const IniFile ini = parsed(readAll(path));
    QCOMPARE(tagSections(ini),
             (QStringList{"Tag of Input - COM", "Tag of Input - TCP:" + kMacA,
                          "Tag of Output - TCP:" + kMacA, "Tag of Output - TCP:" + kMacB}));
    QCOMPARE(ini.keyNames("Tag of Output - TCP:" + kMacB),
             (QStringList{"Out 1", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6", "Out 7", "Out 8"}));

    // read() takes the COM labels in COM mode, none on the LAN until a device is known.
    IniFile withMode = ini;
    withMode.writeString("Control mode", "Mode", "0");
    QCOMPARE(SettingsData::read(withMode).tags, com);
    withMode.writeString("Control mode", "Mode", "1");
    QCOMPARE(SettingsData::read(withMode).tags, PortTagStore::Tags());
}

void tst_SettingsData::clearedLabelsRemoveTheirSections() {
    IniFile ini;
    PortTagStore::save(ini, cmLAN, kMacA, someTags());
    PortTagStore::save(ini, cmLAN, kMacB, someTags());
    PortTagStore::save(ini, cmCOM, QString(), someTags());
    QCOMPARE(tagSections(ini).size(), 6);

    // All sixteen cleared (blanks count as nothing): both sections of that
    // device go, the other device and the COM labels stay.
    PortTagStore::Tags blanks;
    blanks.inputs[0] = "   ";
    PortTagStore::save(ini, cmLAN, kMacA, blanks);
    QCOMPARE(tagSections(ini),
             (QStringList{"Tag of Input - TCP:" + kMacB, "Tag of Output - TCP:" + kMacB,
                          "Tag of Input - COM", "Tag of Output - COM"}));

    // Pruning also removes sections without keys, whatever their case.
    IniFile hand = parsed("[tag OF Input - COM]\n[Tag of Output - COM]\nOut 1=\n"
                          "[Tag of Input - TCP:AA]\nIn 2=x\n[Other]\n");
    PortTagStore::prune(hand);
    QCOMPARE(hand.sectionNames(), (QStringList{"Tag of Input - TCP:AA", "Other"}));
}

void tst_SettingsData::noTcpTagSectionsWithoutDevice() {
    SettingsData d;
    d.tagMode = cmLAN;
    d.tags = someTags();
    QVERIFY(tagSections(parsed(written(d))).isEmpty()); // "00-00-00-00-00-00"
    d.deviceMac.clear();                                // a malformed entry without a MAC
    QVERIFY(tagSections(parsed(written(d))).isEmpty());
    d.tagMode = TControlMode(5);
    QVERIFY(tagSections(parsed(written(d))).isEmpty());
}

void tst_SettingsData::refusedWriteKeepsFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString asDir = dir.filePath("Settings.ini");
    QVERIFY(QDir(dir.path()).mkdir("Settings.ini"));
    QString error;
    QVERIFY(!populated().saveFile(asDir, &error));
    QCOMPARE(error, "Unable to write to " + asDir);
    QVERIFY(!PortTagStore::saveFile(asDir, cmCOM, QString(), someTags(), &error));
    QCOMPARE(error, "Unable to write to " + asDir);
    QVERIFY(QFileInfo(asDir).isDir());
}

QTEST_GUILESS_MAIN(tst_SettingsData)
#include "tst_SettingsData.moc"
