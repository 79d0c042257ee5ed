// The EDID decoder against values written down from the reference decoder
// edid-decode (Debian package) for the sample EDIDs, and on damaged input.

#include "SampleFiles.h"
#include "control/EdidDecoder.h"
#include "control/EdidView.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

QByteArray Sample(const char *name) {
    return samples::readEdid(QLatin1String(name));
}

// Sets the checksum byte of the 128-byte block at `start`.
void FixBlock(QByteArray &b, int start) {
    unsigned sum = 0;
    for (int i = start; i < start + 127; ++i)
        sum += uchar(b[i]);
    b[start + 127] = char((0u - sum) & 0xFF);
}

// Replaces the data block collection of the CTA block (block 1) and fixes
// the checksum. `dtdOffset` < 0: right after the blocks.
QByteArray WithCtaBlocks(const QByteArray &sample, const QByteArray &blocks, int dtdOffset = -1) {
    QByteArray b = sample.left(256);
    for (int i = 128 + 4; i < 255; ++i)
        b[i] = 0;
    for (int i = 0; i < blocks.size() && 132 + i < 255; ++i)
        b[132 + i] = blocks[i];
    b[130] = char(dtdOffset < 0 ? 4 + blocks.size() : dtdOffset);
    FixBlock(b, 128);
    return b;
}

// A conformance finding, failure or warning, containing `part`.
bool HasWarning(const EdidInfo &info, const QString &part) {
    for (const QString &w : info.failures + info.warnings) {
        if (w.contains(part, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Fields of each sample as edid-decode reports them.
struct Expected {
    const char *file;
    const char *manufacturer;
    int productCode;
    quint32 serial;
    int week;
    int year;
    const char *version;
    const char *name;
    const char *range;     // "Monitor ranges": V, H, max dotclock; "" when absent
    const char *preferred; // DTD 1: size, refresh, pixel clock; "" none (EDID 1.3, bit clear)
    bool cta;
    const char *vics;    // video data block in order, "n" = native
    const char *vics420; // YCbCr 4:2:0 video data block
    const char *audio;   // name: channels; rates (kHz, descending); sizes or max kb/s
    const char *speakers;
    const char *physicalAddress;
    int maxTmdsMHz;
    int hdmiForumMHz;
};

const Expected Samples[] = {
    {"acer-xv273k-dp.bin", "ACR", 1713, 2231406419u, 50, 2018, "1.4", "XV273K",
     "48-144 Hz V, 510-510 kHz H, 1070 MHz", "3840x2160 59.996625 Hz 533.250000 MHz", true,
     "1 3 4 18 19 5 20 31 16n 7 2 93 94 95 96 97 63", "", "Linear PCM: 2; 48 44.1 32; 24 20 16",
     "FL/FR", "1.0.0.0", 600, 0},
    {"asus-vw246-hdmi.bin", "ACI", 9458, 16843009u, 7, 2009, "1.3", "VW246",
     "56-76 Hz V, 31-83 kHz H, 170 MHz", "1920x1080 60.000000 Hz 148.500000 MHz", true,
     "16n 5 4 3 2 1 17 18 19 20 31", "", "Linear PCM: 2; 48 44.1 32; 24 20 16", "FL/FR", "1.0.0.0",
     0, 0},
    {"dell-3007wfp-dvi.bin", "DEL", 16406, 1194412601u, 34, 2006, "1.3", "DELL 3007WFP", "", "",
     false, "", "", "", "", "", 0, 0},
    {"dell-p2415q-hdmi2.0.bin", "DEL", 41157, 810306626u, 35, 2016, "1.3", "DELL P2415Q",
     "29-76 Hz V, 30-140 kHz H, 600 MHz", "3840x2160 60.000000 Hz 594.000000 MHz", true,
     "16 5 4 2 7 22 1 20 31 18 19 39 32 33 34 3 6 17 21 93 94 95 97 96", "",
     "Linear PCM: 2; 96 88.2 48 44.1 32; 24 20 16", "FL/FR", "2.0.0.0", 600, 600},
    {"elo-4600l-hdmi.bin", "ELO", 17920, 29424u, 30, 2013, "1.3", "",
     "48-62 Hz V, 31-80 kHz H, 150 MHz", "1920x1080 60.000000 Hz 148.500000 MHz", true,
     "22 49 4 25 1 3 24", "", "Linear PCM: 2; 48 44.1 32; 24 20 16", "FL/FR", "2.0.0.0", 0, 0},
    {"hdfury-doctorhdmi-3d-hdmi.bin", "HKM", 0, 1u, 4, 2011, "1.3", "HDMIDOCTOR #1",
     "24-144 Hz V, 26-95 kHz H, 170 MHz", "1280x720 60.000000 Hz 74.250000 MHz", true,
     "4n 16 5 3 32 19 20 17 31 41 47", "",
     "Linear PCM: 2; 192 176.4 88.2 48 44.1; 24 20 16 | AC-3: 5; 48; 1024 | DTS: 5; 48; 1536 | "
     "AAC LC: 5; 48; 256",
     "FL/FR", "2.0.0.0", 225, 0},
    {"hp-lp2480zx-hdmi.bin", "HWP", 9972, 16843009u, 20, 2008, "1.3", "HP LP2480zx",
     "47-61 Hz V, 24-80 kHz H, 170 MHz", "1920x1200 59.950171 Hz 154.000000 MHz", true,
     "16n 1 2 3 4 5 6 7 17 18 19 20 21 22 31", "", "", "", "1.0.0.0", 225, 0},
    {"lg-oled-c9-hdmi.bin", "GSM", 49312, 16843009u, 1, 2019, "1.3", "LG TV",
     "24-120 Hz V, 30-255 kHz H, 1190 MHz", "3840x2160 60.000000 Hz 594.000000 MHz", true,
     "97 96 118 117 102 101 219 218 16 31 4 19 5 20 3 2 18 32 33 34 21 1 93 94 95 98 99 100 63 "
     "64",
     "",
     "Linear PCM: 2; 192 96 48 44.1 32; 24 20 16 | AC-3: 6; 48 44.1 32; 640 | Enhanced AC-3 "
     "(DD+): 8; 48 44.1 32 | MAT (MLP): 8; 48 | DTS: 6; 96 88.2 48 44.1; 1536 | DTS-HD: 8; 192 "
     "176.4 96 88.2 48 44.1",
     "", "1.0.0.0", 300, 600},
    {"samsung-ue55ks-hdmi.bin", "SAM", 3386, 16778752u, 1, 2016, "1.3", "SAMSUNG",
     "24-75 Hz V, 15-81 kHz H, 300 MHz", "3840x2160 30.000000 Hz 297.000000 MHz", true,
     "95 16 31 4 19 5 20 32 33 34 93 94 98 99 100 7 22 3 18", "96 97 101 102",
     "Linear PCM: 2; 48 44.1 32; 24 20 16 | AC-3: 6; 48 44.1 32; 640 | DTS: 6; 48; 1536", "FL/FR",
     "1.0.0.0", 300, 0},
    {"sony-kd55xd-hdmi.bin", "SNY", 37891, 16843009u, 1, 2015, "1.3", "SONY TV  *02",
     "48-62 Hz V, 14-70 kHz H, 300 MHz", "1920x1080 60.000000 Hz 148.500000 MHz", true,
     "93 94 95 98 31 16 20 5 19 4 32 34 60 62 18 22 3 7 17 21 2 6 1", "96 97 101 102",
     "Linear PCM: 6; 192 176.4 96 88.2 48 44.1 32; 24 20 16 | AC-3: 6; 48 44.1 32; 640 | DTS: 6; "
     "48 44.1 32; 1504",
     "FL/FR LFE1 FC BL/BR", "1.0.0.0", 300, 0},
};

// VIC timings as edid-decode prints them: the codes met in the samples and
// a few more from `edid-decode --vic N`.
struct VicExpected {
    int vic;
    int h;
    int v;
    bool interlaced;
    double refresh;
    const char *aspect;
    double mhz;
};

const VicExpected Vics[] = {
    {1, 640, 480, false, 59.940476, "4:3", 25.175000},
    {2, 720, 480, false, 59.940060, "4:3", 27.000000},
    {3, 720, 480, false, 59.940060, "16:9", 27.000000},
    {4, 1280, 720, false, 60.000000, "16:9", 74.250000},
    {5, 1920, 1080, true, 60.000000, "16:9", 74.250000},
    {6, 1440, 480, true, 59.940060, "4:3", 27.000000},
    {7, 1440, 480, true, 59.940060, "16:9", 27.000000},
    {8, 1440, 240, false, 60.054449, "4:3", 27.000000},
    {12, 2880, 240, false, 60.054449, "4:3", 54.000000},
    {16, 1920, 1080, false, 60.000000, "16:9", 148.500000},
    {17, 720, 576, false, 50.000000, "4:3", 27.000000},
    {18, 720, 576, false, 50.000000, "16:9", 27.000000},
    {19, 1280, 720, false, 50.000000, "16:9", 74.250000},
    {20, 1920, 1080, true, 50.000000, "16:9", 74.250000},
    {21, 1440, 576, true, 50.000000, "4:3", 27.000000},
    {22, 1440, 576, true, 50.000000, "16:9", 27.000000},
    {24, 1440, 288, false, 50.080128, "16:9", 27.000000},
    {25, 2880, 576, true, 50.000000, "4:3", 54.000000},
    {27, 2880, 288, false, 50.080128, "4:3", 54.000000},
    {31, 1920, 1080, false, 50.000000, "16:9", 148.500000},
    {32, 1920, 1080, false, 24.000000, "16:9", 74.250000},
    {33, 1920, 1080, false, 25.000000, "16:9", 74.250000},
    {34, 1920, 1080, false, 30.000000, "16:9", 74.250000},
    {39, 1920, 1080, true, 50.000000, "16:9", 72.000000},
    {41, 1280, 720, false, 100.000000, "16:9", 148.500000},
    {47, 1280, 720, false, 120.000000, "16:9", 148.500000},
    {49, 720, 480, false, 119.880120, "16:9", 54.000000},
    {60, 1280, 720, false, 24.000000, "16:9", 59.400000},
    {62, 1280, 720, false, 30.000000, "16:9", 74.250000},
    {63, 1920, 1080, false, 120.000000, "16:9", 297.000000},
    {64, 1920, 1080, false, 100.000000, "16:9", 297.000000},
    {65, 1280, 720, false, 24.000000, "64:27", 59.400000},
    {79, 1680, 720, false, 24.000000, "64:27", 59.400000},
    {84, 1680, 720, false, 100.000000, "64:27", 165.000000},
    {89, 2560, 1080, false, 50.000000, "64:27", 185.625000},
    {91, 2560, 1080, false, 100.000000, "64:27", 371.250000},
    {93, 3840, 2160, false, 24.000000, "16:9", 297.000000},
    {94, 3840, 2160, false, 25.000000, "16:9", 297.000000},
    {95, 3840, 2160, false, 30.000000, "16:9", 297.000000},
    {96, 3840, 2160, false, 50.000000, "16:9", 594.000000},
    {97, 3840, 2160, false, 60.000000, "16:9", 594.000000},
    {98, 4096, 2160, false, 24.000000, "256:135", 297.000000},
    {99, 4096, 2160, false, 25.000000, "256:135", 297.000000},
    {100, 4096, 2160, false, 30.000000, "256:135", 297.000000},
    {101, 4096, 2160, false, 50.000000, "256:135", 594.000000},
    {102, 4096, 2160, false, 60.000000, "256:135", 594.000000},
    {110, 1680, 720, false, 48.000000, "64:27", 99.000000},
    {117, 3840, 2160, false, 100.000000, "16:9", 1188.000000},
    {118, 3840, 2160, false, 120.000000, "16:9", 1188.000000},
    {121, 5120, 2160, false, 24.000000, "64:27", 396.000000},
    {124, 5120, 2160, false, 48.000000, "64:27", 742.500000},
    {127, 5120, 2160, false, 100.000000, "64:27", 1485.000000},
    {193, 5120, 2160, false, 120.000000, "64:27", 1485.000000},
    {194, 7680, 4320, false, 24.000000, "16:9", 1188.000000},
    {200, 7680, 4320, false, 100.000000, "16:9", 4752.000000},
    {210, 10240, 4320, false, 24.000000, "64:27", 1485.000000},
    {216, 10240, 4320, false, 100.000000, "64:27", 5940.000000},
    {217, 10240, 4320, false, 120.000000, "64:27", 5940.000000},
    {218, 4096, 2160, false, 100.000000, "256:135", 1188.000000},
    {219, 4096, 2160, false, 120.000000, "256:135", 1188.000000},
};

QString Mhz(int kHz) {
    return QString::number(kHz / 1000.0, 'f', 6);
}

QString TimingLine(const EdidTiming &t) {
    return QStringLiteral("%1x%2%3 %4 Hz %5 MHz")
        .arg(t.hActive)
        .arg(t.vActive)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(t.refreshHz, 0, 'f', 6)
        .arg(Mhz(t.pixelClockKHz));
}

QString KHz(int hz) {
    QString s = QString::number(hz / 1000.0, 'f', 1);
    return s.endsWith(QLatin1String(".0")) ? s.chopped(2) : s;
}

// The decoded audio formats in the layout of Expected::audio.
QString AudioLine(const QList<EdidAudioFormat> &formats) {
    QStringList parts;
    for (const EdidAudioFormat &a : formats) {
        QStringList rates, fields;
        for (int i = int(a.sampleRatesHz.size()) - 1; i >= 0; --i)
            rates << KHz(a.sampleRatesHz[i]);
        fields << QString::number(a.maxChannels) << rates.join(QLatin1Char(' '));
        if (!a.bitDepths.isEmpty()) {
            QStringList depths;
            for (int i = int(a.bitDepths.size()) - 1; i >= 0; --i)
                depths << QString::number(a.bitDepths[i]);
            fields << depths.join(QLatin1Char(' '));
        }
        if (a.maxBitrateKbps)
            fields << QString::number(a.maxBitrateKbps);
        parts << a.name + QStringLiteral(": ") + fields.join(QStringLiteral("; "));
    }
    return parts.join(QStringLiteral(" | "));
}

} // namespace

class TestEdidDecoder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void samples_data();
    void samples();
    void vicTable();
    void unknownAndReservedVics();
    void formattedView();
    void inputNeverChangedAndEveryBlockRead();
    void badChecksums();
    void truncatedInput_data();
    void truncatedInput();
    void dataBlocksRunningPastTheEnd();
    void dtdOffsetOutOfRange_data();
    void dtdOffsetOutOfRange();
    void shortDataBlocks_data();
    void shortDataBlocks();
    void rangeLimitOffsets_data();
    void rangeLimitOffsets();
    void interlacedPreferredTiming();
    void otherBlocksAndFlags();
    void randomDamageNeverCrashes();
};

void TestEdidDecoder::initTestCase() {
    REQUIRE_SAMPLE_EDIDS();
}

void TestEdidDecoder::samples_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(Samples)); ++i)
        QTest::newRow(Samples[i].file) << i;
}

void TestEdidDecoder::samples() {
    QFETCH(int, index);
    const Expected &x = Samples[index];
    const QByteArray bytes = Sample(x.file);
    QVERIFY(!bytes.isEmpty());
    const EdidInfo info = DecodeEdid(bytes);

    QVERIFY(info.headerValid);
    QVERIFY(info.baseDecoded);
    QCOMPARE(info.manufacturerId, QLatin1String(x.manufacturer));
    QCOMPARE(info.productCode, x.productCode);
    QCOMPARE(info.serialNumber, x.serial);
    QCOMPARE(info.week, x.week);
    QCOMPARE(info.year, x.year);
    QVERIFY(!info.modelYear);
    QCOMPARE(QStringLiteral("%1.%2").arg(info.version).arg(info.revision),
             QLatin1String(x.version));
    QCOMPARE(info.displayName, QLatin1String(x.name));

    QString range;
    if (info.hasRangeLimits) {
        const EdidRangeLimits &r = info.rangeLimits;
        range = QStringLiteral("%1-%2 Hz V, %3-%4 kHz H, %5 MHz")
                    .arg(r.minVerticalHz)
                    .arg(r.maxVerticalHz)
                    .arg(r.minHorizontalKHz)
                    .arg(r.maxHorizontalKHz)
                    .arg(r.maxPixelClockMHz);
    }
    QCOMPARE(range, QLatin1String(x.range));
    QCOMPARE(info.hasPreferredTiming, x.preferred[0] != 0);
    if (info.hasPreferredTiming)
        QCOMPARE(TimingLine(info.preferredTiming), QLatin1String(x.preferred));
    else
        QVERIFY(HasWarning(info, QStringLiteral("EDID 1.3 requires the first detailed timing")));

    // Every block of the file is read and has a valid checksum.
    const int blocks = int(bytes.size()) / 128;
    QCOMPARE(info.blocks.size(), blocks);
    for (const EdidBlockInfo &b : info.blocks) {
        QVERIFY(b.complete);
        QVERIFY(b.checksumValid);
    }
    QCOMPARE(info.hasCta, x.cta);

    QStringList vics, vics420;
    for (const EdidVideoMode &m : info.videoModes) {
        QVERIFY2(m.known, qPrintable(QString::number(m.vic)));
        if (m.ycbcr420Only)
            vics420 << QString::number(m.vic);
        else
            vics << QString::number(m.vic) + (m.native ? QStringLiteral("n") : QString());
    }
    QCOMPARE(vics.join(QLatin1Char(' ')), QLatin1String(x.vics));
    QCOMPARE(vics420.join(QLatin1Char(' ')), QLatin1String(x.vics420));
    QCOMPARE(AudioLine(info.audioFormats), QLatin1String(x.audio));
    QCOMPARE(info.speakers.join(QLatin1Char(' ')), QLatin1String(x.speakers));
    QCOMPARE(info.hdmi.present, x.physicalAddress[0] != 0);
    QCOMPARE(info.hdmi.physicalAddressText, QLatin1String(x.physicalAddress));
    QCOMPARE(info.hdmi.maxTmdsClockMHz, x.maxTmdsMHz);
    QCOMPARE(info.hdmiForum.present, x.hdmiForumMHz != 0);
    QCOMPARE(info.hdmiForum.maxTmdsCharacterRateMHz, x.hdmiForumMHz);

    // Real dumps: no damage found (the findings are about the standards).
    for (const char *damage : {"checksum", "incomplete", "runs past", "announces", "decoded"})
        QVERIFY2(!HasWarning(info, QLatin1String(damage)), damage);
    QCOMPARE(info.bytesDecoded, int(bytes.size()));
    QCOMPARE(info.extensionCount, blocks - 1);
}

void TestEdidDecoder::vicTable() {
    for (const VicExpected &x : Vics) {
        // Each code as the only entry of a video data block.
        const QByteArray b =
            WithCtaBlocks(Sample("asus-vw246-hdmi.bin"), QByteArray::fromHex("41") + char(x.vic));
        const EdidInfo info = DecodeEdid(b);
        QCOMPARE(info.videoModes.size(), 1);
        const EdidVideoMode &m = info.videoModes[0];
        const QByteArray what = QByteArray("VIC ") + QByteArray::number(x.vic);
        QVERIFY2(m.known, what);
        QCOMPARE(m.vic, x.vic);
        QVERIFY2(m.timing.hActive == x.h && m.timing.vActive == x.v, what);
        QVERIFY2(m.timing.interlaced == x.interlaced, what);
        QVERIFY2(std::fabs(m.timing.refreshHz - x.refresh) < 5e-7, what);
        QVERIFY2(m.timing.aspect == QLatin1String(x.aspect), what);
        QVERIFY2(std::fabs(m.timing.pixelClockKHz / 1000.0 - x.mhz) < 1e-6, what);
    }
    // The native flag form of codes 1..64.
    const EdidInfo native =
        DecodeEdid(WithCtaBlocks(Sample("asus-vw246-hdmi.bin"), QByteArray::fromHex("4381C0C1")));
    QCOMPARE(native.videoModes.size(), 3);
    QCOMPARE(native.videoModes[0].vic, 1);
    QVERIFY(native.videoModes[0].native);
    QCOMPARE(native.videoModes[1].vic, 64);
    QVERIFY(native.videoModes[1].native);
    QCOMPARE(native.videoModes[2].vic, 193); // 193 and up carry no native flag
    QVERIFY(!native.videoModes[2].native);
    QVERIFY(native.videoModes[2].known);
}

void TestEdidDecoder::unknownAndReservedVics() {
    const EdidInfo info = DecodeEdid(
        WithCtaBlocks(Sample("asus-vw246-hdmi.bin"), QByteArray::fromHex("450080DCFDFF")));
    QCOMPARE(info.videoModes.size(), 5);
    const int codes[] = {0, 128, 220, 253, 255};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(info.videoModes[i].vic, codes[i]);
        QVERIFY(!info.videoModes[i].known);
    }
    QVERIFY(FormatEdidInfo(info).contains(QStringLiteral("VIC 220: unknown")));
}

void TestEdidDecoder::formattedView() {
    const QString text = FormatEdidInfo(DecodeEdid(Sample("hdfury-doctorhdmi-3d-hdmi.bin")));
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n')))
        lines << line.trimmed();
    // The preferred mode heads the view.
    QCOMPARE(lines.first(), QStringLiteral("Preferred mode: 1280x720 @ 60 Hz (DTD 1)"));
    for (const char *line :
         {"Name: HDMIDOCTOR #1",
          "Maker: HKM, product code 0 (0x0000)",
          "Serial number: 1",
          "Made in week 4 of 2011",
          "EDID 1.3, 1 extension block",
          "Block 0 (Base EDID): checksum valid",
          "Block 1 (CTA-861 extension): checksum valid",
          "DTD 1: 1280x720 @ 60 Hz, 74.25 MHz (native) (preferred)",
          "Range limits: 24-144 Hz V, 26-95 kHz H, max pixel clock 170 MHz (GTF)",
          "VIC 4: 1280x720 @ 60 Hz 16:9 (native)",
          "VIC 5: 1920x1080i @ 60 Hz 16:9",
          "Linear PCM: 2 ch, 44.1/48/88.2/176.4/192 kHz, 16/20/24 bit",
          "AC-3: 5 ch, 48 kHz, max 1024 kbit/s",
          "Speakers: FL/FR",
          "Physical address: 2.0.0.0",
          "Max TMDS clock: 225 MHz",
          "Deep colour: DC_48bit, DC_36bit, DC_30bit, DC_Y444",
          "3D: side-by-side (half), top-and-bottom, frame packing",
          "Max TMDS: 225 MHz",
          "FRL: none"}) {
        QVERIFY2(lines.contains(QLatin1String(line)), line);
    }
    QVERIFY(!text.contains(QStringLiteral("Failures")));
    QVERIFY(!text.contains(QStringLiteral("Warnings")));

    const QString sony = FormatEdidInfo(DecodeEdid(Sample("sony-kd55xd-hdmi.bin")));
    QVERIFY(sony.contains(QStringLiteral("  VIC 97: 3840x2160 @ 60 Hz 16:9 (4:2:0 only)\n")));
    QVERIFY(sony.contains(QStringLiteral("  4:2:0 only: 3840x2160 @ 60 Hz (VIC 97)\n")));
    QVERIFY(sony.contains(QStringLiteral("Speakers: FL/FR, LFE1, FC, BL/BR")));
    QVERIFY(sony.contains(QStringLiteral("VIC 6: 1440x480i @ 59.94 Hz 4:3")));
    QVERIFY(sony.contains(QStringLiteral("  HDR: SMPTE ST2084\n")));

    // Findings come last: failures, then warnings.
    QByteArray bad = Sample("asus-vw246-hdmi.bin");
    bad[200] = char(uchar(bad[200]) ^ 0x40);
    const QString badText = FormatEdidInfo(DecodeEdid(bad));
    QVERIFY(badText.contains(QStringLiteral("Block 1 (CTA-861 extension): checksum INVALID")));
    const int failures = int(badText.indexOf(QStringLiteral("\nFailures (")));
    QVERIFY(failures > 0);
    QVERIFY(badText.indexOf(QStringLiteral("  Block 1: checksum is invalid."), failures) >
            failures);
    const int warnings = int(badText.indexOf(QStringLiteral("\nWarnings (")));
    QVERIFY(warnings > failures);
    QVERIFY(badText.indexOf(QStringLiteral("\nBlocks\n")) < failures);
}

void TestEdidDecoder::inputNeverChangedAndEveryBlockRead() {
    const QByteArray sample = Sample("acer-xv273k-dp.bin");
    QCOMPARE(sample.size(), 384);
    // Shared read-only storage: a write through the decoder would detach or crash.
    const QByteArray raw = QByteArray::fromRawData(sample.constData(), sample.size());
    const EdidInfo full = DecodeEdid(raw);
    QCOMPARE(raw, sample);
    QCOMPARE(raw.constData(), sample.constData());

    // The third block (DisplayID) is read: its two type I timings, the first
    // flagged preferred.
    QCOMPARE(full.blocks.size(), 3);
    QVERIFY(full.hasDisplayId);
    QList<EdidTiming> displayId;
    for (const EdidTiming &t : full.timings) {
        if (t.source == QLatin1String("DisplayID type I"))
            displayId << t;
    }
    QCOMPARE(displayId.size(), 2);
    QCOMPARE(displayId[0].block, 2);
    QVERIFY(displayId[0].preferred);
    QCOMPARE(displayId[0].hActive, 3840);
    QVERIFY(std::fabs(displayId[0].refreshHz - 119.910418) < 5e-6);
    QCOMPARE(displayId[1].hActive, 1920);
    QVERIFY(!displayId[1].preferred);

    // The page's 256 bytes: the missing block is said, the rest decodes alike.
    const EdidInfo first256 = DecodeEdid(sample.left(256));
    QCOMPARE(first256.videoModes.size(), full.videoModes.size());
    QCOMPARE(first256.blocks.size(), 2);
    QVERIFY(!first256.hasDisplayId);
    QVERIFY(HasWarning(first256, QStringLiteral("announces 2 extension block(s) but 1 is")));
    QVERIFY(!HasWarning(full, QStringLiteral("announces")));

    // A byte more than the blocks: an incomplete fourth block.
    const EdidInfo longer = DecodeEdid(sample + QByteArray(1, '\0'));
    QCOMPARE(longer.blocks.size(), 4);
    QVERIFY(HasWarning(longer, QStringLiteral("Block 3 is incomplete: 1 of 128")));

    // More than 256 blocks: the rest is left, and said so.
    QByteArray huge = sample;
    huge.append(QByteArray(EdidMaxBlocks * 128, '\0'));
    const EdidInfo capped = DecodeEdid(huge);
    QCOMPARE(capped.bytesDecoded, EdidMaxBlocks * 128);
    QCOMPARE(capped.blocks.size(), EdidMaxBlocks);
    QVERIFY(HasWarning(capped, QStringLiteral("Only the first 32768 of")));
}

void TestEdidDecoder::badChecksums() {
    QByteArray base = Sample("dell-p2415q-hdmi2.0.bin");
    base[127] = char(uchar(base[127]) + 1);
    EdidInfo info = DecodeEdid(base);
    QVERIFY(!info.blocks[0].checksumValid);
    QVERIFY(info.blocks[1].checksumValid);
    QVERIFY(HasWarning(info, QStringLiteral("Block 0: checksum is invalid")));
    QCOMPARE(info.displayName, QStringLiteral("DELL P2415Q")); // still decoded

    QByteArray ext = Sample("dell-p2415q-hdmi2.0.bin");
    ext[255] = char(uchar(ext[255]) ^ 0xFF);
    info = DecodeEdid(ext);
    QVERIFY(info.blocks[0].checksumValid);
    QVERIFY(!info.blocks[1].checksumValid);
    QVERIFY(HasWarning(info, QStringLiteral("Block 1: checksum is invalid")));
    QCOMPARE(info.hdmi.maxTmdsClockMHz, 600);

    QByteArray header = Sample("dell-p2415q-hdmi2.0.bin");
    header[3] = 0;
    FixBlock(header, 0);
    info = DecodeEdid(header);
    QVERIFY(!info.headerValid);
    QVERIFY(info.blocks[0].checksumValid);
    QVERIFY(HasWarning(info, QStringLiteral("header")));
}

void TestEdidDecoder::truncatedInput_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("identification");
    QTest::addColumn<bool>("preferred");
    QTest::addColumn<QString>("warning");
    QTest::newRow("0 bytes") << 0 << false << false << QStringLiteral("No EDID data");
    QTest::newRow("1 byte") << 1 << false << false << QStringLiteral("header");
    QTest::newRow("19 bytes") << 19 << false << false << QStringLiteral("Block 0 is incomplete");
    QTest::newRow("71 bytes") << 71 << true << false << QStringLiteral("Block 0 is incomplete");
    QTest::newRow("100 bytes") << 100 << true << true
                               << QStringLiteral("Block 0 is incomplete: 100 of 128");
    QTest::newRow("128 bytes") << 128 << true << true
                               << QStringLiteral("announces 1 extension block(s) but 0 are");
    QTest::newRow("200 bytes") << 200 << true << true
                               << QStringLiteral("Block 1 is incomplete: 72 of 128");
    QTest::newRow("255 bytes") << 255 << true << true << QStringLiteral("Block 1 is incomplete");
}

void TestEdidDecoder::truncatedInput() {
    QFETCH(int, size);
    QFETCH(bool, identification);
    QFETCH(bool, preferred);
    QFETCH(QString, warning);
    // An exact-size heap copy, so that a read past the end is caught by the
    // address sanitizer or valgrind.
    const QByteArray bytes = Sample("lg-oled-c9-hdmi.bin").left(size);
    const EdidInfo info = DecodeEdid(bytes);
    QCOMPARE(info.bytesDecoded, size);
    QVERIFY2(HasWarning(info, warning), qPrintable(info.warnings.join(QLatin1Char('\n'))));
    QCOMPARE(info.baseDecoded, identification);
    if (identification)
        QCOMPARE(info.manufacturerId, QStringLiteral("GSM"));
    QCOMPARE(info.hasPreferredTiming, preferred);
    QVERIFY(!info.hasCta);
    QCOMPARE(info.blocks.size(), (size + 127) / 128);
    if (!info.blocks.isEmpty())
        QCOMPARE(info.blocks.last().complete, size % 128 == 0);
    QVERIFY(!FormatEdidInfo(info).isEmpty());
}

void TestEdidDecoder::dataBlocksRunningPastTheEnd() {
    const QByteArray sample = Sample("samsung-ue55ks-hdmi.bin");
    // The DTD offset cuts the collection in the middle of the video block.
    QByteArray cut = sample;
    cut[130] = 10;
    FixBlock(cut, 128);
    EdidInfo info = DecodeEdid(cut);
    QVERIFY(info.hasCta);
    QVERIFY(info.videoModes.isEmpty());
    QVERIFY(HasWarning(info, QStringLiteral("runs past the end")));
    QVERIFY(info.blocks[1].checksumValid);

    // The last block claims more bytes than remain: the blocks before it count.
    QByteArray tail = WithCtaBlocks(sample, QByteArray::fromHex("421004830100002309070"
                                                                "77F"));
    info = DecodeEdid(tail);
    QCOMPARE(info.videoModes.size(), 2);
    QCOMPARE(info.speakers, QStringList{QStringLiteral("FL/FR")});
    QCOMPARE(info.audioFormats.size(), 1);
    QVERIFY(HasWarning(info, QStringLiteral("tag 3, 31 bytes")));

    // With no DTDs the collection may reach the checksum byte, never past it.
    QByteArray full(256, '\0');
    full.replace(0, 128, sample.left(128));
    full[128] = 0x02;
    full[129] = 0x03;
    full[130] = 127;
    for (int i = 131; i < 255; ++i)
        full[i] = char(0x5F); // video blocks of 31 bytes each
    FixBlock(full, 128);
    info = DecodeEdid(full);
    QCOMPARE(info.videoModes.size(), 3 * 31);
    QVERIFY(HasWarning(info, QStringLiteral("runs past")));
}

void TestEdidDecoder::dtdOffsetOutOfRange_data() {
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("warning");
    QTest::newRow("1") << 1 << QStringLiteral("offset 1 is out of range");
    QTest::newRow("3") << 3 << QStringLiteral("offset 3 is out of range");
    QTest::newRow("128") << 128 << QStringLiteral("offset 128 is past the end");
    QTest::newRow("255") << 255 << QStringLiteral("offset 255 is past the end");
}

void TestEdidDecoder::dtdOffsetOutOfRange() {
    QFETCH(int, offset);
    QFETCH(QString, warning);
    QByteArray b = Sample("sony-kd55xd-hdmi.bin");
    b[130] = char(offset);
    FixBlock(b, 128);
    const EdidInfo info = DecodeEdid(b);
    QVERIFY(info.hasCta);
    QVERIFY2(HasWarning(info, warning), qPrintable(info.warnings.join(QLatin1Char('\n'))));
    QVERIFY(!FormatEdidInfo(info).isEmpty());
}

void TestEdidDecoder::shortDataBlocks_data() {
    QTest::addColumn<QByteArray>("blocks");
    QTest::addColumn<QString>("warning");
    QTest::newRow("HDMI block without address")
        << QByteArray::fromHex("64030C0010") << QStringLiteral("too short for the physical");
    QTest::newRow("vendor block without OUI")
        << QByteArray::fromHex("62030C") << QStringLiteral("too short for its OUI");
    QTest::newRow("audio block of 4 bytes")
        << QByteArray::fromHex("24097F0701") << QStringLiteral("not a multiple of 3");
    QTest::newRow("speaker block of 1 byte")
        << QByteArray::fromHex("8101") << QStringLiteral("speaker allocation data block too");
    QTest::newRow("extended block without tag")
        << QByteArray::fromHex("E0") << QStringLiteral("without its tag");
    QTest::newRow("HDMI Forum block of 4 bytes")
        << QByteArray::fromHex("64D85DC401") << QStringLiteral("HDMI Forum block too short");
    QTest::newRow("reserved tag") << QByteArray::fromHex("020102")
                                  << QStringLiteral("reserved tag 0");
}

void TestEdidDecoder::shortDataBlocks() {
    QFETCH(QByteArray, blocks);
    QFETCH(QString, warning);
    // Each damaged block is followed by a good video block, which still counts.
    const QByteArray b =
        WithCtaBlocks(Sample("hp-lp2480zx-hdmi.bin"), blocks + QByteArray::fromHex("4190"));
    const EdidInfo info = DecodeEdid(b);
    QVERIFY2(HasWarning(info, warning), qPrintable(info.warnings.join(QLatin1Char('\n'))));
    QVERIFY(info.videoModes.size() >= 1);
    QCOMPARE(info.videoModes.last().vic, 16);
    QVERIFY(info.videoModes.last().native);
    QVERIFY(!info.hdmi.present);
    QVERIFY(!info.hdmiForum.present);
}

void TestEdidDecoder::rangeLimitOffsets_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("at"); // the range limits descriptor
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("minV");
    QTest::addColumn<QString>("expected"); // as edid-decode prints it
    // Rate offsets only count from EDID 1.4 on.
    QTest::newRow("1.4, V max +255") << QByteArray("acer-xv273k-dp.bin") << 90 << 0x02 << 48
                                     << QStringLiteral("48-399 Hz V, 255-255 kHz H, 1070 MHz");
    QTest::newRow("1.4, V both +255") << QByteArray("acer-xv273k-dp.bin") << 90 << 0x03 << 1
                                      << QStringLiteral("256-399 Hz V, 255-255 kHz H, 1070 MHz");
    QTest::newRow("1.4, H max +255") << QByteArray("acer-xv273k-dp.bin") << 90 << 0x08 << 48
                                     << QStringLiteral("48-144 Hz V, 255-510 kHz H, 1070 MHz");
    QTest::newRow("1.3 ignores offsets") << QByteArray("asus-vw246-hdmi.bin") << 72 << 0x0A << 56
                                         << QStringLiteral("56-76 Hz V, 31-83 kHz H, 170 MHz");
}

void TestEdidDecoder::rangeLimitOffsets() {
    QFETCH(QByteArray, file);
    QFETCH(int, at);
    QFETCH(int, flags);
    QFETCH(int, minV);
    QFETCH(QString, expected);
    QByteArray b = Sample(file.constData()).left(256);
    QCOMPARE(uchar(b[at + 3]), uchar(0xFD));
    b[at + 4] = char(flags);
    b[at + 5] = char(minV);
    FixBlock(b, 0);
    const EdidInfo info = DecodeEdid(b);
    QVERIFY(info.hasRangeLimits);
    const EdidRangeLimits &r = info.rangeLimits;
    QCOMPARE(QStringLiteral("%1-%2 Hz V, %3-%4 kHz H, %5 MHz")
                 .arg(r.minVerticalHz)
                 .arg(r.maxVerticalHz)
                 .arg(r.minHorizontalKHz)
                 .arg(r.maxHorizontalKHz)
                 .arg(r.maxPixelClockMHz),
             expected);
}

void TestEdidDecoder::interlacedPreferredTiming() {
    // The samsung CTA block's DTD 3 (edid-decode: 1920x1080i 50.000000 Hz,
    // 74.250000 MHz) made the first timing of a base block.
    const QByteArray samsung = Sample("samsung-ue55ks-hdmi.bin");
    QCOMPARE(int(samsung[130]), 70);
    QByteArray b = Sample("asus-vw246-hdmi.bin");
    b.replace(54, 18, samsung.mid(128 + 70, 18));
    FixBlock(b, 0);
    const EdidInfo info = DecodeEdid(b);
    QVERIFY(info.hasPreferredTiming);
    QCOMPARE(TimingLine(info.preferredTiming),
             QStringLiteral("1920x1080i 50.000000 Hz 74.250000 MHz"));
    QVERIFY(FormatEdidInfo(info).contains(QStringLiteral("1920x1080i @ 50 Hz")));
}

void TestEdidDecoder::otherBlocksAndFlags() {
    // HDMI Forum capabilities in the sink capability data block (extended tag 0x79).
    EdidInfo info = DecodeEdid(
        WithCtaBlocks(Sample("asus-vw246-hdmi.bin"), QByteArray::fromHex("E6790000017880")));
    QVERIFY(info.hdmiForum.present);
    QCOMPARE(info.hdmiForum.version, 1);
    QCOMPARE(info.hdmiForum.maxTmdsCharacterRateMHz, 600);

    // Speaker bits of all three bytes; unused bits ignored.
    info =
        DecodeEdid(WithCtaBlocks(Sample("asus-vw246-hdmi.bin"), QByteArray::fromHex("83FFFFFF")));
    QCOMPARE(info.speakers.size(), 21);
    QCOMPARE(info.speakers.last(), QStringLiteral("LSd/RSd"));

    // Model year instead of a week of manufacture.
    QByteArray b = Sample("asus-vw246-hdmi.bin");
    b[16] = char(0xFF);
    b[17] = 30;
    FixBlock(b, 0);
    info = DecodeEdid(b);
    QVERIFY(info.modelYear);
    QCOMPARE(info.week, 0);
    QCOMPARE(info.year, 2020);
    QVERIFY(FormatEdidInfo(info).contains(QStringLiteral("Model year 2020")));

    // First descriptor not a timing: no preferred timing, said so.
    b = Sample("asus-vw246-hdmi.bin");
    b[54] = 0;
    b[55] = 0;
    FixBlock(b, 0);
    info = DecodeEdid(b);
    QVERIFY(!info.hasPreferredTiming);
    QVERIFY(HasWarning(info, QStringLiteral("no preferred timing")));

    // An extension that is neither CTA-861 nor DisplayID is named, not decoded.
    b = Sample("asus-vw246-hdmi.bin");
    b[128] = char(0x40);
    FixBlock(b, 128);
    info = DecodeEdid(b);
    QVERIFY(!info.hasCta);
    QCOMPARE(info.blocks[1].kind, QStringLiteral("Display information extension"));
    QVERIFY(HasWarning(info, QStringLiteral("Block 1 (Display information extension) is not "
                                            "decoded")));

    // CTA bytes read as DisplayID: whatever the lengths say, nothing past the block.
    b = Sample("asus-vw246-hdmi.bin");
    b[128] = char(0x70);
    FixBlock(b, 128);
    info = DecodeEdid(b);
    QVERIFY(info.hasDisplayId);
    QCOMPARE(info.blocks[1].kind, QStringLiteral("DisplayID extension"));

    // A letter code outside A..Z in the manufacturer ID.
    b = Sample("asus-vw246-hdmi.bin");
    b[8] = 0;
    b[9] = 0;
    FixBlock(b, 0);
    info = DecodeEdid(b);
    QCOMPARE(info.manufacturerId, QStringLiteral("???"));
    QVERIFY(HasWarning(info, QStringLiteral("Manufacturer ID")));
}

void TestEdidDecoder::randomDamageNeverCrashes() {
    // Damaged copies of every sample: flipped bytes, damaged CTA headers and
    // random lengths. Nothing may crash or read outside the input (run under
    // the address sanitizer or valgrind to see the latter).
    QRandomGenerator rng(20240611);
    int decoded = 0;
    for (const Expected &x : Samples) {
        const QByteArray sample = Sample(x.file);
        for (int round = 0; round < 150; ++round) {
            QByteArray b = sample;
            const int flips = 1 + int(rng.bounded(8));
            for (int k = 0; k < flips; ++k) {
                const int at = int(rng.bounded(int(b.size())));
                b[at] = char(rng.bounded(256));
            }
            if (b.size() > 130 && rng.bounded(2))
                b[130] = char(rng.bounded(256)); // DTD offset
            if (rng.bounded(4) == 0)
                b.truncate(int(rng.bounded(int(b.size()) + 1)));
            b = QByteArray(b.constData(), b.size()); // exact-size storage
            const EdidInfo info = DecodeEdid(b);
            QCOMPARE(info.bytesDecoded, int(b.size()));
            QVERIFY(!FormatEdidInfo(info).isEmpty());
            ++decoded;
        }
    }
    QCOMPARE(decoded, int(std::size(Samples)) * 150);
}

QTEST_APPLESS_MAIN(TestEdidDecoder)
#include "tst_ediddecoder.moc"
