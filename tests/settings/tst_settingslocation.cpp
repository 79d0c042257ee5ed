// Where "Settings.ini" lives: beside the executable when that folder holds
// the file or can be written to (a portable copy), else in the user's
// configuration folder ($XDG_CONFIG_HOME/matrix-tool/, ~/.config/matrix-tool/).

#include "WithoutDacOverride.h"
#include "protocol/Commands.h"
#include "settings/SettingsLocation.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {
SettingsLocation::Facts facts(bool holds, bool writable, const QString &configHome = QString()) {
    SettingsLocation::Facts f;
    f.appFolder = QStringLiteral("/usr/bin");
    f.appHoldsFile = holds;
    f.appWritable = writable;
    f.configHome = configHome;
    f.homeFolder = QStringLiteral("/home/tech");
    return f;
}
} // namespace

class TestSettingsLocation : public QObject {
    Q_OBJECT

private slots:
    void decision_data() {
        QTest::addColumn<bool>("holds");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("configHome");
        QTest::addColumn<QString>("folder");
        QTest::newRow("portable copy, writable") << false << true << ""
                                                 << "/usr/bin/";
        QTest::newRow("file there, folder read-only") << true << false << ""
                                                      << "/usr/bin/";
        QTest::newRow("file there and writable") << true << true << "/x"
                                                 << "/usr/bin/";
        QTest::newRow("installed, no XDG variable") << false << false << ""
                                                    << "/home/tech/.config/matrix-tool/";
        QTest::newRow("installed, XDG_CONFIG_HOME") << false << false << "/srv/cfg"
                                                    << "/srv/cfg/matrix-tool/";
        QTest::newRow("installed, XDG_CONFIG_HOME with slash") << false << false << "/srv/cfg/"
                                                               << "/srv/cfg/matrix-tool/";
        // A relative value is invalid by the XDG rules and ignored.
        QTest::newRow("installed, relative XDG_CONFIG_HOME") << false << false << "cfg"
                                                             << "/home/tech/.config/matrix-tool/";
    }
    void decision() {
        QFETCH(bool, holds);
        QFETCH(bool, writable);
        QFETCH(QString, configHome);
        QFETCH(QString, folder);
        const SettingsLocation::Choice c =
            SettingsLocation::Choose(facts(holds, writable, configHome));
        QCOMPARE(c.folder, folder);
        QCOMPARE(c.place, folder.startsWith(QLatin1String("/usr/bin"))
                              ? SettingsLocation::Place::AppFolder
                              : SettingsLocation::Place::UserConfig);
    }

    // Root may write to /usr/bin: the installed tool still keeps its file
    // in the configuration folder (unless one was put beside it on purpose).
    void systemFolderCountsAsInstalled() {
        SettingsLocation::Facts f = facts(false, true);
        f.appIsSystemFolder = true;
        QCOMPARE(SettingsLocation::Choose(f).place, SettingsLocation::Place::UserConfig);
        f.appHoldsFile = true;
        QCOMPARE(SettingsLocation::Choose(f).place, SettingsLocation::Place::AppFolder);
        for (const char *folder : {"/usr/bin", "/usr/bin/", "/usr/local/bin", "/opt/matrix/bin"})
            QVERIFY2(SettingsLocation::IsSystemFolder(QLatin1String(folder)), folder);
        for (const char *folder : {"/home/tech/matrix", "/tmp/x", "/usr/binary", "/work/build/src"})
            QVERIFY2(!SettingsLocation::IsSystemFolder(QLatin1String(folder)), folder);
    }

    void writableFolderKeepsTheFileBesideTheExecutable() {
        QTemporaryDir app;
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        const SettingsLocation::Choice c = SettingsLocation::Resolve(app.path());
        QCOMPARE(c.place, SettingsLocation::Place::AppFolder);
        QCOMPARE(c.folder, app.path() + QLatin1Char('/'));
        // Nothing was created in the configuration folder, nothing left in the app folder.
        QVERIFY(!QFileInfo::exists(config.filePath(QStringLiteral("matrix-tool"))));
        QCOMPARE(QDir(app.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    }

    // The real file system: a folder this process may not write to (as root
    // the permission override is dropped for the test, as an ordinary user has none).
    void readOnlyFolderUsesTheUserConfigFolder() {
        QTemporaryDir app;
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(::chmod(QFile::encodeName(app.path()).constData(), 0555) == 0);
        SettingsLocation::Choice c;
        {
            WithoutDacOverride asUser;
            QVERIFY(asUser.active());
            QVERIFY(!FolderIsWritable(app.path()));
            c = SettingsLocation::Resolve(app.path());
            // The start-up check then applies to the configuration folder.
            QVERIFY(FolderIsWritable(c.folder));
        }
        ::chmod(QFile::encodeName(app.path()).constData(), 0755);
        QCOMPARE(c.place, SettingsLocation::Place::UserConfig);
        QCOMPARE(c.folder, config.path() + QStringLiteral("/matrix-tool/"));
        QVERIFY(QFileInfo(c.folder).isDir());
    }

    void readOnlyFolderWithTheFileKeepsIt() {
        QTemporaryDir app;
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QFile ini(app.filePath(QStringLiteral("Settings.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Control mode]\r\nMode=0\r\n");
        ini.close();
        QVERIFY(::chmod(QFile::encodeName(app.path()).constData(), 0555) == 0);
        SettingsLocation::Choice c;
        {
            WithoutDacOverride asUser;
            c = SettingsLocation::Resolve(app.path());
        }
        ::chmod(QFile::encodeName(app.path()).constData(), 0755);
        QCOMPARE(c.place, SettingsLocation::Place::AppFolder);
        QVERIFY(!QFileInfo::exists(config.filePath(QStringLiteral("matrix-tool"))));
    }

    void unsetVariableGivesDotConfigUnderHome() {
        QTemporaryDir app;
        QTemporaryDir home;
        qunsetenv("XDG_CONFIG_HOME");
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        SettingsLocation::Facts f = SettingsLocation::Gather(app.path());
        qputenv("HOME", oldHome);
        QCOMPARE(f.appWritable, true);
        f.appWritable = false; // as installed
        QCOMPARE(SettingsLocation::Choose(f).folder, home.path() + "/.config/matrix-tool/");
    }
};

QTEST_GUILESS_MAIN(TestSettingsLocation)
#include "tst_settingslocation.moc"
