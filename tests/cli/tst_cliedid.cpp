// matrix-cli edid decode FILE [--json], run as the built program: the text
// view, the JSON keys and values, and the exit codes for files that are no
// EDID.

#include "SampleFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run Cli(const QStringList &arguments) {
    QProcess p;
    p.start(QStringLiteral(MATRIX_CLI_PATH), arguments);
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QJsonObject Json(const QString &sample) {
    const Run r = Cli({QStringLiteral("edid"), QStringLiteral("decode"), samples::edidPath(sample),
                       QStringLiteral("--json")});
    if (r.exitCode != 0)
        return QJsonObject();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
    return error.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
}

} // namespace

class TestCliEdid : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void textView();
    void jsonKeysAndValues();
    void jsonEveryBlockOfTheFile();
    void interlacedFieldRate();
    void notAnEdid();

private:
    QTemporaryDir dir;
};

void TestCliEdid::initTestCase() {
    REQUIRE_SAMPLE_EDIDS();
    QVERIFY(QFileInfo::exists(QStringLiteral(MATRIX_CLI_PATH)));
    QVERIFY(dir.isValid());
}

void TestCliEdid::textView() {
    const Run r = Cli({QStringLiteral("edid"), QStringLiteral("decode"),
                       samples::edidPath(QStringLiteral("lg-oled-c9-hdmi.bin"))});
    QCOMPARE(r.exitCode, 0);
    const QString text = QString::fromUtf8(r.out);
    QVERIFY2(text.startsWith(QStringLiteral("Preferred mode: 3840x2160 @ 60 Hz (DTD 1)\n")),
             qPrintable(text));
    for (const char *line : {"  Name: LG TV\n", "  FRL: 4 lanes x 12 Gbps (48 Gbps)\n",
                             "  HDR: SMPTE ST2084, Hybrid Log-Gamma\n", "  Max TMDS: 600 MHz\n",
                             "  4:2:0 also: 3840x2160 @ 60 Hz (VIC 97)\n",
                             "  HDMI VIC 1: 3840x2160 @ 30 Hz\n", "  VRR: 40-120 Hz\n"}) {
        QVERIFY2(text.contains(QLatin1String(line)), line);
    }
    QVERIFY(r.err.isEmpty());
}

void TestCliEdid::jsonKeysAndValues() {
    const QJsonObject o = Json(QStringLiteral("lg-oled-c9-hdmi.bin"));
    for (const char *key : {"manufacturer", "product", "name", "preferred", "timings", "audio",
                            "maxTmdsMHz", "frl", "hdr", "failures", "warnings"})
        QVERIFY2(o.contains(QLatin1String(key)), key);
    QCOMPARE(o.value(QStringLiteral("manufacturer")).toString(), QStringLiteral("GSM"));
    QCOMPARE(o.value(QStringLiteral("product")).toInt(), 49312);
    QCOMPARE(o.value(QStringLiteral("name")).toString(), QStringLiteral("LG TV"));
    const QJsonObject preferred = o.value(QStringLiteral("preferred")).toObject();
    QCOMPARE(preferred.value(QStringLiteral("hActive")).toInt(), 3840);
    QCOMPARE(preferred.value(QStringLiteral("vActive")).toInt(), 2160);
    QCOMPARE(preferred.value(QStringLiteral("refreshHz")).toDouble(), 60.0);

    // Every timing with its source: 4 established, 6 standard, 3 detailed,
    // 30 VICs, 4 HDMI VICs.
    const QJsonArray timings = o.value(QStringLiteral("timings")).toArray();
    QCOMPARE(timings.size(), 47);
    QHash<QString, int> sources;
    for (const QJsonValue &v : timings) {
        const QJsonObject t = v.toObject();
        for (const char *key : {"hActive", "vActive", "refreshHz", "interlaced", "source"})
            QVERIFY2(t.contains(QLatin1String(key)), key);
        ++sources[t.value(QStringLiteral("source")).toString()];
    }
    QCOMPARE(sources.value(QStringLiteral("Established")), 4);
    QCOMPARE(sources.value(QStringLiteral("Standard")), 6);
    QCOMPARE(sources.value(QStringLiteral("DTD")), 3);
    QCOMPARE(sources.value(QStringLiteral("VIC")), 30);
    QCOMPARE(sources.value(QStringLiteral("HDMI VIC")), 4);
    const QJsonObject vic97 = timings.at(12).toObject();
    QCOMPARE(vic97.value(QStringLiteral("vic")).toInt(), 97);
    QCOMPARE(vic97.value(QStringLiteral("ycbcr420Also")).toBool(), true);

    const QJsonArray audio = o.value(QStringLiteral("audio")).toArray();
    QCOMPARE(audio.size(), 6);
    QCOMPARE(audio.at(0).toObject().value(QStringLiteral("format")).toString(),
             QStringLiteral("Linear PCM"));
    QCOMPARE(audio.at(0).toObject().value(QStringLiteral("maxChannels")).toInt(), 2);
    QCOMPARE(o.value(QStringLiteral("maxTmdsMHz")).toInt(), 600);
    const QJsonObject frl = o.value(QStringLiteral("frl")).toObject();
    QCOMPARE(frl.value(QStringLiteral("lanes")).toInt(), 4);
    QCOMPARE(frl.value(QStringLiteral("gbpsPerLane")).toInt(), 12);
    const QJsonArray eotfs =
        o.value(QStringLiteral("hdr")).toObject().value(QStringLiteral("eotfs")).toArray();
    QVERIFY(eotfs.contains(QStringLiteral("SMPTE ST2084")));
    QVERIFY(o.value(QStringLiteral("failures")).isArray());
    QVERIFY(o.value(QStringLiteral("warnings")).isArray());

    // A sink without FRL or HDR: null, not a made-up value.
    const QJsonObject asus = Json(QStringLiteral("asus-vw246-hdmi.bin"));
    QVERIFY(asus.value(QStringLiteral("frl")).isNull());
    QVERIFY(asus.value(QStringLiteral("hdr")).isNull());
    QCOMPARE(asus.value(QStringLiteral("maxTmdsMHz")).toInt(), 0);
    // EDID 1.3 without the preferred bit: no preferred timing, one failure that says why.
    const QJsonObject dell = Json(QStringLiteral("dell-3007wfp-dvi.bin"));
    QVERIFY(dell.value(QStringLiteral("preferred")).isNull());
    QVERIFY(dell.value(QStringLiteral("failures"))
                .toArray()
                .first()
                .toString()
                .startsWith(QStringLiteral("EDID 1.3 requires")));
}

void TestCliEdid::jsonEveryBlockOfTheFile() {
    // 384 bytes: the DisplayID block's timings are in the list.
    const QJsonObject o = Json(QStringLiteral("acer-xv273k-dp.bin"));
    QCOMPARE(o.value(QStringLiteral("blocks")).toInt(), 3);
    int displayId = 0;
    for (const QJsonValue &v : o.value(QStringLiteral("timings")).toArray())
        displayId += v.toObject().value(QStringLiteral("source")).toString() ==
                     QLatin1String("DisplayID type I");
    QCOMPARE(displayId, 2);
}

void TestCliEdid::interlacedFieldRate() {
    // 1080i60 (VIC 5): 1080 lines, 60 Hz (the field rate), interlaced.
    const QJsonObject o = Json(QStringLiteral("lg-oled-c9-hdmi.bin"));
    bool seen = false;
    for (const QJsonValue &v : o.value(QStringLiteral("timings")).toArray()) {
        const QJsonObject t = v.toObject();
        if (t.value(QStringLiteral("vic")).toInt() != 5)
            continue;
        seen = true;
        QCOMPARE(t.value(QStringLiteral("vActive")).toInt(), 1080);
        QCOMPARE(t.value(QStringLiteral("refreshHz")).toDouble(), 60.0);
        QCOMPARE(t.value(QStringLiteral("interlaced")).toBool(), true);
    }
    QVERIFY(seen);
}

void TestCliEdid::notAnEdid() {
    const QString text = dir.filePath(QStringLiteral("notes.bin"));
    QFile f(text);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(256, 'x'));
    f.close();
    for (const bool json : {false, true}) {
        QStringList args{QStringLiteral("edid"), QStringLiteral("decode"), text};
        if (json)
            args << QStringLiteral("--json");
        const Run r = Cli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(r.err.contains("not an EDID"), r.err.constData());
    }
    // Missing file and missing argument: the same code.
    QCOMPARE(
        Cli({QStringLiteral("edid"), QStringLiteral("decode"), dir.filePath("none.bin")}).exitCode,
        2);
    QCOMPARE(Cli({QStringLiteral("edid"), QStringLiteral("decode")}).exitCode, 2);
    // An empty file.
    QFile empty(dir.filePath(QStringLiteral("empty.bin")));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    QCOMPARE(Cli({QStringLiteral("edid"), QStringLiteral("decode"), empty.fileName()}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestCliEdid)
#include "tst_cliedid.moc"
