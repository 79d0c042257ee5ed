// The installed tool: `cmake --install` into a temporary root puts the three
// programs, the desktop entry, the icon and the AppStream metainfo where the
// desktop looks for them, the validators accept the entries, every program
// answers --version, and the Debian package holds the same files and depends
// on Debian's Qt 6 runtime packages.

#include <QDirIterator>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString BinaryDir = QStringLiteral(TSM_BINARY_DIR);
const QString AppId = QStringLiteral("org.matrixtool.MatrixTool");
const QStringList Programs{"matrix-tool", "matrix-sim", "matrix-cli"};

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &args,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish: ") + program;
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QStringList desktopFiles() {
    return {QStringLiteral("usr/share/applications/") + AppId + QStringLiteral(".desktop"),
            QStringLiteral("usr/share/icons/hicolor/scalable/apps/") + AppId +
                QStringLiteral(".svg"),
            QStringLiteral("usr/share/metainfo/") + AppId + QStringLiteral(".metainfo.xml")};
}
} // namespace

class TestPackage : public QObject {
    Q_OBJECT

    QTemporaryDir root;

private slots:
    void initTestCase() {
        for (const QString &p :
             {QStringLiteral("/src/matrix-tool"), QStringLiteral("/src/matrix-cli"),
              QStringLiteral("/sim/matrix-sim")})
            if (!QFileInfo(BinaryDir + p).isExecutable())
                QSKIP("the programs are not built (build everything first)");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), root.path());
        const Run r = run(QStringLiteral("cmake"),
                          {QStringLiteral("--install"), BinaryDir, QStringLiteral("--prefix"),
                           QStringLiteral("/usr")},
                          env);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
    }

    void filesWhereTheDesktopLooks() {
        for (const QString &name : Programs) {
            const QFileInfo bin(root.filePath(QStringLiteral("usr/bin/") + name));
            QVERIFY2(bin.isFile() && bin.isExecutable(), qPrintable(bin.filePath()));
        }
        for (const QString &f : desktopFiles())
            QVERIFY2(QFileInfo(root.filePath(f)).isFile(), qPrintable(f));
        QVERIFY(!QDir(root.filePath(QStringLiteral("usr/share/matrix-tool/edid")))
                     .entryList({QStringLiteral("*.bin")})
                     .isEmpty());
        // Nothing outside the prefix.
        QCOMPARE(QDir(root.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("usr")});
    }

    void desktopEntryStartsTheInstalledTool() {
        QFile entry(root.filePath(desktopFiles().at(0)));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        QMap<QString, QString> keys;
        for (const QByteArray &line : entry.readAll().split('\n')) {
            const int eq = line.indexOf('=');
            if (eq > 0)
                keys.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
        }
        QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Matrix maintenance tool"));
        QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(keys.value(QStringLiteral("Icon")), AppId);
        const QString exec = keys.value(QStringLiteral("Exec")).section(QLatin1Char(' '), 0, 0);
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("usr/bin/") + exec)).isExecutable());
        QFile svg(root.filePath(desktopFiles().at(1)));
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QVERIFY(svg.readAll().contains("<svg"));
    }

    void validatorsAcceptTheEntries() {
        const QString desktopValidate = QStandardPaths::findExecutable("desktop-file-validate");
        const QString appstream = QStandardPaths::findExecutable("appstreamcli");
        if (desktopValidate.isEmpty() && appstream.isEmpty())
            QSKIP("neither desktop-file-validate nor appstreamcli is installed (scripts/deps.sh)");
        if (!desktopValidate.isEmpty()) {
            const Run r = run(desktopValidate, {root.filePath(desktopFiles().at(0))});
            QVERIFY2(r.code == 0 && r.out.trimmed().isEmpty(), qPrintable(r.out + r.err));
        }
        if (!appstream.isEmpty()) {
            const Run r = run(appstream, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                          root.filePath(desktopFiles().at(2))});
            QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        }
    }

    void everyProgramTellsItsVersion() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY")); // --version needs no display
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const QString &name : Programs) {
            const Run r = run(root.filePath(QStringLiteral("usr/bin/") + name),
                              {QStringLiteral("--version")}, env, 20000);
            QCOMPARE(r.code, 0);
            QCOMPARE(r.out.trimmed(),
                     name + QLatin1Char(' ') + QStringLiteral(TSM_PROJECT_VERSION));
        }
    }

    void debianPackageHoldsTheFilesAndQtDependencies() {
        if (QStandardPaths::findExecutable("dpkg-deb").isEmpty() ||
            QStandardPaths::findExecutable("dpkg-shlibdeps").isEmpty())
            QSKIP("dpkg-dev is not installed (scripts/deps.sh)");
        QTemporaryDir out;
        const Run made = run(
            QStringLiteral("cpack"),
            {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
             BinaryDir + QStringLiteral("/CPackConfig.cmake"), QStringLiteral("-B"), out.path()});
        QVERIFY2(made.code == 0, qPrintable(made.out + made.err));
        const QStringList debs = QDir(out.path()).entryList({QStringLiteral("matrix-tool_*.deb")});
        QCOMPARE(debs.size(), 1);
        const QString deb = out.filePath(debs.first());
        QCOMPARE(debs.first(), QStringLiteral("matrix-tool_%1_amd64.deb").arg(TSM_PROJECT_VERSION));

        const Run depends =
            run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
        QCOMPARE(depends.code, 0);
        for (const char *package :
             {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6", "libqt6serialport6"})
            QVERIFY2(depends.out.contains(QLatin1String(package)), qPrintable(depends.out));

        const QString extracted = out.filePath(QStringLiteral("root"));
        QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, extracted}).code, 0);
        for (const QString &name : Programs)
            QVERIFY(QFileInfo(extracted + QStringLiteral("/usr/bin/") + name).isExecutable());
        for (const QString &f : desktopFiles())
            QVERIFY2(QFileInfo(extracted + QLatin1Char('/') + f).isFile(), qPrintable(f));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
