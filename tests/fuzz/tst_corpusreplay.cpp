// Replays every seed and every input the fuzzers ever found (fuzz/corpus and
// fuzz/crashes) through the fuzz targets' own bodies, without libFuzzer: a
// crash, a sanitizer report or a failed property fails this test. In a
// sanitizer build it is the fuzzers' check without the fuzzing.
#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <QTest>

namespace {

QStringList failures;

void recordFailure(const char *what) {
    failures << QString::fromUtf8(what);
}

QString fuzzDir(const QString &kind) {
    return QStringLiteral(TSM_SOURCE_DIR "/fuzz/") + kind;
}

QStringList filesOf(const QString &folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

const FuzzTarget *targetNamed(const QByteArray &name) {
    for (const FuzzTarget &t : FuzzTargetTable())
        if (name == t.name)
            return &t;
    return nullptr;
}

} // namespace

class tst_corpusreplay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SetFuzzFailureHandler(recordFailure); }
    void cleanupTestCase() { SetFuzzFailureHandler(nullptr); }

    // Every folder under corpus/ and crashes/ belongs to a target, and every
    // target has seeds.
    void foldersMatchTargets() {
        QSet<QString> names;
        for (const FuzzTarget &t : FuzzTargetTable()) {
            QVERIFY2(!filesOf(fuzzDir(QStringLiteral("corpus/")) + QLatin1String(t.name)).isEmpty(),
                     t.name);
            names << QLatin1String(t.name);
        }
        for (const QString &kind : {QStringLiteral("corpus"), QStringLiteral("crashes")}) {
            const QStringList dirs =
                QDir(fuzzDir(kind)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
            for (const QString &d : dirs)
                QVERIFY2(names.contains(d), qPrintable(kind + QLatin1Char('/') + d));
        }
    }

    void replay_data() {
        QTest::addColumn<QByteArray>("target");
        for (const FuzzTarget &t : FuzzTargetTable())
            QTest::newRow(t.name) << QByteArray(t.name);
    }
    void replay() {
        QFETCH(QByteArray, target);
        const FuzzTarget *t = targetNamed(target);
        QVERIFY(t);
        QStringList files = filesOf(fuzzDir(QStringLiteral("corpus/")) + QLatin1String(target));
        files += filesOf(fuzzDir(QStringLiteral("crashes/")) + QLatin1String(target));
        int replayed = 0;
        for (const QString &path : files) {
            QFile f(path);
            QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
            const QByteArray bytes = f.readAll();
            failures.clear();
            // A heap copy of exactly the file's size, so that the address
            // sanitizer sees a read one byte past the input.
            std::vector<uint8_t> input(bytes.begin(), bytes.end());
            QCOMPARE(t->run(input.data(), input.size()), 0);
            QVERIFY2(failures.isEmpty(),
                     qPrintable(path + QStringLiteral(": ") + failures.join(QStringLiteral("; "))));
            ++replayed;
        }
        // The empty input and a one-byte input are always replayed too.
        const uint8_t one = 0xA5;
        failures.clear();
        QCOMPARE(t->run(nullptr, 0), 0);
        QCOMPARE(t->run(&one, 1), 0);
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QStringLiteral("; "))));
        qInfo("%s: %d files", target.constData(), replayed);
    }
};

QTEST_GUILESS_MAIN(tst_corpusreplay)
#include "tst_corpusreplay.moc"
