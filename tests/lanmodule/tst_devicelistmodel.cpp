// The device list's model: its packed sort keys and byte-wise sort must give
// exactly the order of comparing the texts (regardless of case, then by
// case), also where the keys cannot decide: texts beyond ASCII, texts that
// agree past the key's length, short and empty texts, equal texts.

#include "lanmodule/DeviceListModel.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <algorithm>

namespace {

// Pieces that make the keys' hard cases: case pairs, characters whose
// folding is not ASCII's (the Kelvin sign and the long s fold to ASCII
// letters), a character beyond the basic plane, and a long shared front.
const QStringList Pieces = {
    QStringLiteral("a"),
    QStringLiteral("A"),
    QStringLiteral("k"),
    QStringLiteral("K"),
    QStringLiteral("\u212A"),
    QStringLiteral("s"),
    QStringLiteral("S"),
    QStringLiteral("\u017F"),
    QStringLiteral("\u00E9"),
    QStringLiteral("\u00C9"),
    QStringLiteral("\u00DF"),
    QStringLiteral("\U0001F600"),
    QStringLiteral("["),
    QStringLiteral("]"),
    QStringLiteral(" - "),
    QStringLiteral("0"),
    QStringLiteral("9"),
    QStringLiteral("_"),
    QStringLiteral("[Device in the hall] - [DHCP] - [192.168.0.1"),
};

QString randomText(QRandomGenerator &rng) {
    QString s;
    const int parts = int(rng.bounded(6));
    for (int i = 0; i < parts; ++i)
        s += Pieces.at(int(rng.bounded(Pieces.size())));
    return s;
}

QStringList randomTexts(QRandomGenerator &rng, int count) {
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << randomText(rng);
    return out;
}

QStringList sortedByTexts(QStringList list) {
    std::stable_sort(list.begin(), list.end(), DeviceListModel::entryBefore);
    return list;
}

// What merging means: every text not listed yet (exact text) added once, the
// list sorted as before.
QStringList mergedByTexts(const QStringList &listed, const QStringList &found, int *added) {
    QSet<QString> known(listed.begin(), listed.end());
    QStringList fresh;
    for (const QString &e : found) {
        if (!known.contains(e)) {
            known.insert(e);
            fresh << e;
        }
    }
    *added = int(fresh.size());
    return sortedByTexts(listed + fresh);
}

} // namespace

class TstDeviceListModel : public QObject {
    Q_OBJECT

private slots:
    void sortsAsTheTextsCompare_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("none") << 0 << 1u;
        QTest::newRow("one") << 1 << 2u;
        QTest::newRow("small run") << 30 << 3u;
        QTest::newRow("just over a small run") << 40 << 4u;
        QTest::newRow("many, short texts") << 3000 << 5u;
        QTest::newRow("many, other seed") << 5000 << 6u;
    }
    void sortsAsTheTextsCompare() {
        QFETCH(int, count);
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        const QStringList texts = randomTexts(rng, count);
        DeviceListModel model;
        model.setEntries(texts);
        QCOMPARE(model.entries(), sortedByTexts(texts));
        QCOMPARE(model.rowCount(), count);
    }

    void longEntriesSortAsTheTextsCompare() {
        // Entries as the list holds them, alike far past the key's length:
        // only the texts can order them.
        QRandomGenerator rng(7);
        QStringList texts;
        for (int i = 0; i < 4000; ++i) {
            texts << QStringLiteral("[Matrix] - [Static] - [10.0.0.%1] - [%2]")
                         .arg(rng.bounded(300))
                         .arg(randomText(rng));
        }
        DeviceListModel model;
        model.setEntries(texts);
        QCOMPARE(model.entries(), sortedByTexts(texts));
    }

    void mergeAddsEachNewTextOnce_data() {
        QTest::addColumn<int>("listed");
        QTest::addColumn<int>("found");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("into nothing") << 0 << 200 << 11u;
        QTest::newRow("nothing found") << 200 << 0 << 12u;
        QTest::newRow("few into many") << 3000 << 20 << 13u;
        QTest::newRow("many into few") << 20 << 3000 << 14u;
        QTest::newRow("many into many") << 4000 << 4000 << 15u;
    }
    void mergeAddsEachNewTextOnce() {
        QFETCH(int, listed);
        QFETCH(int, found);
        QFETCH(quint32, seed);
        QRandomGenerator rng(seed);
        const QStringList stored = randomTexts(rng, listed);
        QStringList answers = randomTexts(rng, found);
        answers << stored.mid(0, listed / 3); // known ones answer again

        DeviceListModel model;
        model.setEntries(stored);
        const QStringList before = model.entries();
        const int pick = before.isEmpty() ? -1 : int(rng.bounded(int(before.size())));
        int row = pick;
        int expectedAdded = 0;
        const QStringList expected = mergedByTexts(before, answers, &expectedAdded);
        QCOMPARE(model.mergeEntries(answers, &row), expectedAdded);
        QCOMPARE(model.entries(), expected);
        // The picked row still shows the same entry (the same one of equal texts).
        if (pick >= 0) {
            const QSet<QString> old(before.begin(), before.end());
            QCOMPARE(model.entryAt(row), before.at(pick));
            QCOMPARE(row - int(std::count_if(expected.begin(), expected.begin() + row,
                                             [&](const QString &e) { return !old.contains(e); })),
                     pick);
        } else {
            QCOMPARE(row, -1);
        }
        // The same answers again add nothing and change nothing.
        QCOMPARE(model.mergeEntries(answers), 0);
        QCOMPARE(model.entries(), expected);
    }

    void insertPositionFollowsEqualTexts() {
        QRandomGenerator rng(21);
        DeviceListModel model;
        model.setEntries(randomTexts(rng, 500));
        const QStringList listed = model.entries();
        for (int i = 0; i < 300; ++i) {
            const QString e =
                i % 3 == 0 ? listed.at(int(rng.bounded(int(listed.size())))) : randomText(rng);
            // After every entry that does not sort after it.
            int expected = 0;
            while (expected < listed.size() && !DeviceListModel::entryBefore(e, listed[expected]))
                ++expected;
            QCOMPARE(model.insertPosition(e), expected);
        }
    }
};

QTEST_MAIN(TstDeviceListModel)
#include "tst_devicelistmodel.moc"
