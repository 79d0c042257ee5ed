// The INI reader/writer: lookup rules, layout-keeping writes, ANSI bytes and
// the safe save.

#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <climits>
#include <csignal>
#include <sys/resource.h>

namespace {

IniFile parsed(const QByteArray &bytes) {
    IniFile ini;
    ini.setData(bytes);
    return ini;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QTemporaryDir &dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class tst_IniFile : public QObject {
    Q_OBJECT

private slots:
    void lookupRules();
    void values_data();
    void values();
    void writesKeepLayout();
    void duplicatesAndErase();
    void replaceSectionKeepsItsPlace();
    void exactValuesReadBack_data();
    void exactValuesReadBack();
    void lineBreaksCannotStartNewLines();
    void ansiBytesAndLineEnds();
    void saveReplacesFileWhole();
    void refusedWritesKeepOldFile();
};

void tst_IniFile::lookupRules() {
    const IniFile ini = parsed("[Zeta]\n"
                               "   mode =  1  \n"
                               "; a=commented\n"
                               "junk without equals\n"
                               "=no name\n"
                               "In  of EDID mode=In 3\n"
                               "[  Alpha  ]\n");
    QCOMPARE(ini.readString("ZETA", "MODE"), QString("1"));
    QCOMPARE(ini.readString(" zeta ", " Mode "), QString("1"));
    QCOMPARE(ini.readString("zeta", "in  OF edid MODE"), QString("In 3"));
    // Inner blanks are part of the name.
    QCOMPARE(ini.readString("zeta", "In of EDID mode", "none"), QString("none"));
    QVERIFY(!ini.hasKey("zeta", "a"));
    QVERIFY(ini.hasSection("alpha"));
    QCOMPARE(ini.sectionNames(), (QStringList{"Zeta", "Alpha"}));
    QCOMPARE(ini.keyNames("zeta"), (QStringList{"mode", "In  of EDID mode"}));
    QVERIFY(ini.entries("Alpha").isEmpty());
}

void tst_IniFile::values_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("number"); // -77: the default
    QTest::newRow("blanks and tabs") << QByteArray(" \t a b \t ") << QString("a b") << -77;
    QTest::newRow("double quotes") << QByteArray("\"  a \"") << QString("  a ") << -77;
    QTest::newRow("single quotes") << QByteArray("'x'") << QString("x") << -77;
    QTest::newRow("one pair only") << QByteArray("\"\"x\"\"") << QString("\"x\"") << -77;
    QTest::newRow("lone quote") << QByteArray("\"") << QString("\"") << -77;
    QTest::newRow("mixed quotes") << QByteArray("\"abc'") << QString("\"abc'") << -77;
    QTest::newRow("present but empty") << QByteArray("") << QString("") << -77;
    QTest::newRow("equals in value") << QByteArray("a=b") << QString("a=b") << -77;
    QTest::newRow("number") << QByteArray(" 12 ") << QString("12") << 12;
    QTest::newRow("leading digits") << QByteArray("12abc") << QString("12abc") << 12;
    QTest::newRow("negative") << QByteArray("-5") << QString("-5") << -5;
    QTest::newRow("quoted number") << QByteArray("\"+42\"") << QString("+42") << 42;
    QTest::newRow("sign only") << QByteArray("-") << QString("-") << -77;
    QTest::newRow("too large") << QByteArray("99999999999999999999")
                               << QString("99999999999999999999") << INT_MAX;
    QTest::newRow("too small") << QByteArray("-99999999999") << QString("-99999999999") << INT_MIN;
}

void tst_IniFile::values() {
    QFETCH(QByteArray, text);
    QFETCH(QString, value);
    QFETCH(int, number);
    const IniFile ini = parsed("[s]\r\nk=" + text + "\r\n");
    QCOMPARE(ini.readString("s", "k", "default"), value);
    QCOMPARE(ini.readInteger("s", "k", -77), number);
    QCOMPARE(ini.readBool("s", "k", true), number != 0);
    QCOMPARE(ini.readString("s", "absent", "default"), QString("default"));
    QCOMPARE(ini.readInteger("absent", "k", -77), -77);
}

void tst_IniFile::writesKeepLayout() {
    IniFile ini = parsed("; settings of the tool\r\n"
                         "stray=before any section\r\n"
                         "\r\n"
                         "[One]\r\n"
                         "  A = 1  \r\n"
                         "; about B\r\n"
                         "B=2\r\n"
                         "not an entry\r\n"
                         "\r\n"
                         "[E]\r\n"
                         "[Two]\r\n"
                         "C = 3\r\n");
    ini.writeString("one", "b", "20");                    // in place, file spelling kept
    ini.writeString("One", "New", "x");                   // after the last key of the section
    ini.writeInteger("e", "k", 5);                        // right after the header
    ini.writeString("In  device name", "Device1", "DVD"); // new section at the end, as given
    ini.writeString("Two", "C", "3");                     // same value: line normalized
    QCOMPARE(ini.data(), QByteArray("; settings of the tool\r\n"
                                    "stray=before any section\r\n"
                                    "\r\n"
                                    "[One]\r\n"
                                    "  A = 1  \r\n"
                                    "; about B\r\n"
                                    "B=20\r\n"
                                    "New=x\r\n"
                                    "not an entry\r\n"
                                    "\r\n"
                                    "[E]\r\n"
                                    "k=5\r\n"
                                    "[Two]\r\n"
                                    "C=3\r\n"
                                    "[In  device name]\r\n"
                                    "Device1=DVD\r\n"));
    // Keys before any section belong to none.
    QCOMPARE(ini.readString("", "stray", "none"), QString("none"));
}

void tst_IniFile::duplicatesAndErase() {
    IniFile ini = parsed("[L]\r\nk=first\r\nK=second\r\n"
                         "[M]\r\nm=1\r\n"
                         "[l]\r\nk=third\r\nother=4\r\n");
    QCOMPARE(ini.readString("L", "k"), QString("first"));
    QCOMPARE(ini.readString("L", "other", "none"), QString("none"));
    ini.writeString("L", "k", "changed");
    QCOMPARE(ini.entries("L"), (IniFile::EntryList{{"k", "changed"}, {"K", "second"}}));

    ini.eraseSection("l");
    QCOMPARE(ini.data(), QByteArray("[M]\r\nm=1\r\n"));
}

void tst_IniFile::replaceSectionKeepsItsPlace() {
    IniFile ini = parsed("[A]\r\na=1\r\n"
                         "[List]\r\n; known devices\r\nold1=x\r\nold2=y\r\n\r\n"
                         "[B]\r\nb=2\r\n"
                         "[list]\r\nold3=z\r\n");
    ini.replaceSection("List", {{"Device1", "p"}, {"Device2", " q "}});
    const QByteArray once = ini.data();
    QCOMPARE(once, QByteArray("[A]\r\na=1\r\n"
                              "[List]\r\n; known devices\r\nDevice1=p\r\nDevice2=\" q \"\r\n\r\n"
                              "[B]\r\nb=2\r\n"));
    ini.replaceSection("List", {{"Device1", "p"}, {"Device2", " q "}});
    QCOMPARE(ini.data(), once);

    ini.replaceSection("New", {{"k", "v"}});
    ini.replaceSection("list", {});
    QCOMPARE(ini.sectionNames(), (QStringList{"A", "B", "New"}));
}

void tst_IniFile::exactValuesReadBack_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("quoted");
    QTest::newRow("plain") << QString("Player 1") << false;
    QTest::newRow("blanks at ends") << QString("  name ") << true;
    QTest::newRow("only blanks") << QString("   ") << true;
    QTest::newRow("tab") << QString("\tx") << true;
    QTest::newRow("in double quotes") << QString("\"name\"") << true;
    QTest::newRow("in single quotes") << QString("'n'") << true;
    QTest::newRow("quote at start") << QString("\"half") << false;
    QTest::newRow("empty") << QString("") << false;
}

void tst_IniFile::exactValuesReadBack() {
    QFETCH(QString, value);
    QFETCH(bool, quoted);
    IniFile ini;
    ini.writeExactString("Tag of Input - COM", "In 1", value);
    const IniFile reread = parsed(ini.data());
    QCOMPARE(reread.readString("Tag of Input - COM", "In 1"), value);
    QCOMPARE(reread.data(), ini.data());
    const QByteArray stored = quoted ? '"' + value.toLatin1() + '"' : value.toLatin1();
    QCOMPARE(ini.data(), "[Tag of Input - COM]\r\nIn 1=" + stored + "\r\n");
}

void tst_IniFile::lineBreaksCannotStartNewLines() {
    IniFile ini;
    ini.writeString("S", "k", "evil\r\n[WARNING]\nNOTE=x");
    ini.writeExactString("S", "k2", "two\nlines\n");
    ini.writeString("S\n[T]", "k\r\nz=1", "v");
    QCOMPARE(ini.sectionNames(), (QStringList{"S", "S [T]"}));
    QCOMPARE(ini.readString("S", "k"), QString("evil  [WARNING] NOTE=x"));
    QCOMPARE(ini.readString("S", "k2"), QString("two lines "));
    QCOMPARE(ini.readString("S [T]", "k  z"), QString("1=v"));
    QCOMPARE(ini.data().count("\r\n"), 5);
}

void tst_IniFile::ansiBytesAndLineEnds() {
    IniFile ini = parsed("; \x80\x9f\xff comment\n[Caf\xe9]\nk=\xe4\xf6\xfc\r\nlast=1");
    QCOMPARE(ini.readString(QString::fromLatin1("CAF\xc9"), "k"),
             QString::fromLatin1("\xe4\xf6\xfc"));
    QCOMPARE(ini.data(),
             QByteArray("; \x80\x9f\xff comment\r\n[Caf\xe9]\r\nk=\xe4\xf6\xfc\r\nlast=1\r\n"));
    // Characters beyond Latin-1 have no ANSI byte.
    ini.writeString(QString::fromLatin1("Caf\xe9"), "k", QString::fromUtf8("\xe2\x82\xac\xc3\xa9"));
    QVERIFY(ini.data().contains("k=?\xe9\r\n"));
    QCOMPARE(parsed("\r\n\r\n").data(), QByteArray("\r\n\r\n"));
}

void tst_IniFile::saveReplacesFileWhole() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("Settings.ini");
    IniFile ini(path);
    QVERIFY(ini.load()); // no file: empty, no error
    ini.writeString("WARNING", "NOTE", "first");
    QVERIFY(ini.save());
    QVERIFY(ini.errorString().isEmpty());

    IniFile again(path);
    QVERIFY(again.load());
    again.writeString("warning", "note", "second");
    QVERIFY(again.save());
    QCOMPARE(readAll(path), QByteArray("[WARNING]\r\nNOTE=second\r\n"));
    QCOMPARE(filesIn(dir), QStringList{"Settings.ini"}); // no temporary file left
}

void tst_IniFile::refusedWritesKeepOldFile() {
    // Under a file no directory can exist, not even for root.
    IniFile underFile("/dev/null/x/Settings.ini");
    QVERIFY(underFile.load());
    QVERIFY(!underFile.save());
    QCOMPARE(underFile.errorString(), QString("Unable to write to /dev/null/x/Settings.ini"));

    // A directory in place of the file reads as no file and is not replaced.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString asDir = dir.filePath("Settings.ini");
    QVERIFY(QDir(dir.path()).mkpath("Settings.ini/keep"));
    IniFile blocked(asDir);
    QVERIFY(blocked.load());
    QVERIFY(!blocked.save());
    QCOMPARE(blocked.errorString(), "Unable to write to " + asDir);
    QVERIFY(QFileInfo(asDir + "/keep").isDir());

    // A file size limit makes the write fail as a full disk does.
    const QString path = dir.filePath("full.ini");
    IniFile old(path);
    old.writeString("WARNING", "NOTE", "old");
    QVERIFY(old.save());
    const QByteArray before = readAll(path);
    IniFile big(path);
    QVERIFY(big.load());
    big.writeString("Big", "k", QString(64 * 1024, u'x'));
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool ok = big.save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!ok);
    QCOMPARE(big.errorString(), "Unable to write to " + path);
    QCOMPARE(readAll(path), before);
    QCOMPARE(filesIn(dir), QStringList{"full.ini"});
}

QTEST_GUILESS_MAIN(tst_IniFile)
#include "tst_IniFile.moc"
