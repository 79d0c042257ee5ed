// EDIDs built byte by byte for what the sample dumps do not show: each audio
// format's channel rule, DisplayID timings, EDID 1.3 without the preferred
// bit, a 4:2:0 map longer than the video list, truncated CTA content, the
// HDMI and HDMI Forum fields, HDR luminance and ranges that contradict the
// timings.

#include "control/EdidDecoder.h"
#include "control/EdidJson.h"
#include "control/EdidView.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

#include <cmath>

namespace {

void FixBlock(QByteArray &b, int start) {
    unsigned sum = 0;
    for (int i = start; i < start + 127; ++i)
        sum += uchar(b[i]);
    b[start + 127] = char((0u - sum) & 0xFF);
}

void Put(QByteArray &b, int at, const QByteArray &bytes) {
    for (int i = 0; i < bytes.size(); ++i)
        b[at + i] = bytes[i];
}

// 1920x1080 @ 60 Hz, 148.5 MHz.
const QByteArray Dtd1080p = QByteArray::fromHex("023A801871382D40582C450010090000001E");

// A base block: maker "TST", EDID 1.`revision`, digital, feature byte
// `features`, the 1080p timing first, a name and range limits 48-62 Hz,
// 30-83 kHz, 170 MHz.
QByteArray BaseBlock(int revision, uchar features, int extensions) {
    QByteArray b(128, '\0');
    Put(b, 0, QByteArray::fromHex("00FFFFFFFFFFFF00"));
    Put(b, 8, QByteArray::fromHex("5274"));
    b[16] = 1;
    b[17] = 30;
    b[18] = 1;
    b[19] = char(revision);
    b[20] = char(0x80);
    b[21] = 52;
    b[22] = 29;
    b[23] = 120;
    b[24] = char(features);
    for (int i = 0x26; i < 0x36; ++i)
        b[i] = 0x01;
    Put(b, 54, Dtd1080p);
    Put(b, 72,
        QByteArray::fromHex("000000FC0054455354") + QByteArray::fromHex("0A2020202020202020"));
    Put(b, 90, QByteArray::fromHex("000000FD00303E1E5311000A202020202020"));
    Put(b, 108, QByteArray::fromHex("000000100000000000000000000000000000"));
    b[126] = char(extensions);
    FixBlock(b, 0);
    return b;
}

// A CTA-861 revision 3 block holding `blocks` and no detailed timing.
QByteArray CtaBlock(const QByteArray &blocks) {
    QByteArray e(128, '\0');
    e[0] = 0x02;
    e[1] = 0x03;
    e[2] = char(4 + blocks.size());
    e[3] = 0x70;
    Put(e, 4, blocks);
    FixBlock(e, 0);
    return e;
}

EdidInfo WithCta(const QByteArray &blocks, int revision = 3) {
    return DecodeEdid(BaseBlock(revision, 0x0A, 1) + CtaBlock(blocks));
}

bool HasFinding(const EdidInfo &info, const QString &part, bool failure = true) {
    for (const QString &f : failure ? info.failures : info.warnings) {
        if (f.contains(part, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QList<EdidTiming> From(const EdidInfo &info, const QString &source) {
    QList<EdidTiming> out;
    for (const EdidTiming &t : info.timings) {
        if (t.source == source)
            out << t;
    }
    return out;
}

// 3840x2160 @ 60 Hz as a 20-byte DisplayID descriptor; `clock` = the
// pixel clock field (type I: 10 kHz units, type VII: 1 kHz, minus one).
QByteArray DisplayIdDescriptor(const QByteArray &clock, uchar options) {
    return clock + QByteArray(1, char(options)) +
           QByteArray::fromHex("FF0E2F02AF0057006F08590007000900");
}

// A DisplayID extension block of `version` with one data block.
QByteArray DisplayIdBlock(int version, int tag, const QByteArray &payload) {
    QByteArray e(128, '\0');
    e[0] = 0x70;
    e[1] = char(version);
    const QByteArray data = QByteArray(1, char(tag)) + QByteArray(1, '\0') +
                            QByteArray(1, char(payload.size())) + payload;
    e[2] = char(data.size());
    Put(e, 5, data);
    unsigned sum = 0;
    for (int i = 1; i < 5 + data.size(); ++i)
        sum += uchar(e[i]);
    e[5 + data.size()] = char((0u - sum) & 0xFF);
    FixBlock(e, 0);
    return e;
}

} // namespace

class TestEdidBytes : public QObject {
    Q_OBJECT

private slots:
    void audioChannelRules();
    void displayIdTypeOneAndSeven();
    void displayIdLengthsBounded();
    void edid13WithoutPreferredBit();
    void ycbcr420MapLongerThanVideoList();
    void truncatedCtaContent();
    void hdmiBlock();
    void hdmiForumBlock();
    void hdrStaticMetadata();
    void rangesContradictingTimings();
    void establishedThreeAndCvtCodes();
};

void TestEdidBytes::audioChannelRules() {
    const QByteArray sads = QByteArray::fromHex("0F7F07"   // L-PCM, 8 ch
                                                "150750"   // AC-3, 6 ch, 640 kbit/s
                                                "FB866D"   // L-PCM 3D: MC4, MC3, 011
                                                "7A0458"   // MPEG-H 3D, level 2
                                                "780460"   // AC-4
                                                "7D0620"   // MPEG-4 HE AAC, 6 ch
                                                "000000"); // reserved code 0
    const EdidInfo info = WithCta(QByteArray(1, char(0x20 | sads.size())) + sads);
    QCOMPARE(info.audioFormats.size(), 7);
    const EdidAudioFormat &pcm = info.audioFormats[0];
    QCOMPARE(pcm.name, QStringLiteral("Linear PCM"));
    QCOMPARE(pcm.maxChannels, 8);
    QCOMPARE(pcm.sampleRatesHz.size(), 7);
    QCOMPARE(pcm.bitDepths, (QList<int>{16, 20, 24}));

    QCOMPARE(info.audioFormats[1].maxChannels, 6);
    QCOMPARE(info.audioFormats[1].maxBitrateKbps, 640);

    // L-PCM 3D: five channel bits, two of them in the top bits of bytes 1
    // and 2; its rates and sizes as for L-PCM.
    const EdidAudioFormat &pcm3d = info.audioFormats[2];
    QCOMPARE(pcm3d.extendedCode, 13);
    QCOMPARE(pcm3d.name, QStringLiteral("L-PCM 3D Audio"));
    QCOMPARE(pcm3d.maxChannels, 28);
    QCOMPARE(pcm3d.sampleRatesHz, (QList<int>{44100, 48000}));
    QCOMPARE(pcm3d.bitDepths, (QList<int>{16, 24}));

    // MPEG-H 3D keeps its level in those bits, AC-4 nothing: no channel count.
    const EdidAudioFormat &mpegh = info.audioFormats[3];
    QCOMPARE(mpegh.name, QStringLiteral("MPEG-H 3D Audio"));
    QCOMPARE(mpegh.maxChannels, 0);
    QCOMPARE(mpegh.detail, QStringLiteral("MPEG-H 3D Audio level 2"));
    QCOMPARE(info.audioFormats[4].name, QStringLiteral("AC-4"));
    QCOMPARE(info.audioFormats[4].maxChannels, 0);
    QVERIFY(!HasFinding(info, QStringLiteral("AC-4")));

    QCOMPARE(info.audioFormats[5].name, QStringLiteral("MPEG-4 HE AAC"));
    QCOMPARE(info.audioFormats[5].maxChannels, 6);
    QVERIFY(HasFinding(info, QStringLiteral("Audio format code 0 is reserved")));

    // In the view and the JSON: no "0 ch" for the formats without a count.
    const QString view = FormatEdidInfo(info);
    QVERIFY2(view.contains(QStringLiteral("  MPEG-H 3D Audio: MPEG-H 3D Audio level 2, 48 kHz\n")),
             qPrintable(view));
    QVERIFY(view.contains(QStringLiteral("  AC-4: 48 kHz\n")));
    QVERIFY(view.contains(QStringLiteral("  L-PCM 3D Audio: 28 ch, 44.1/48 kHz, 16/24 bit\n")));
    const QJsonArray audio = EdidInfoToJson(info).value(QStringLiteral("audio")).toArray();
    QVERIFY(audio.at(3).toObject().value(QStringLiteral("maxChannels")).isNull());
    QCOMPARE(audio.at(2).toObject().value(QStringLiteral("maxChannels")).toInt(), 28);

    // AC-4 with bits where it carries none: a failure.
    const QByteArray bad = QByteArray::fromHex("23790460");
    QVERIFY(HasFinding(WithCta(bad), QStringLiteral("AC-4 audio descriptor")));
}

void TestEdidBytes::displayIdTypeOneAndSeven() {
    // Type I in DisplayID 1.2: pixel clock 594 MHz in 10 kHz units.
    QByteArray edid =
        BaseBlock(4, 0x02, 1) +
        DisplayIdBlock(0x12, 0x03, DisplayIdDescriptor(QByteArray::fromHex("07E800"), 0x84));
    EdidInfo info = DecodeEdid(edid);
    QVERIFY(!HasFinding(info, QStringLiteral("DisplayID")));
    // Its 135 kHz and 594 MHz lie outside the base block's range limits.
    QVERIFY(HasFinding(info, QStringLiteral("pixel clock of 594.000 MHz exceeds")));
    QVERIFY(info.hasDisplayId);
    QCOMPARE(info.displayIdVersion, 0x12);
    QList<EdidTiming> t = From(info, QStringLiteral("DisplayID type I"));
    QCOMPARE(t.size(), 1);
    QCOMPARE(t[0].hActive, 3840);
    QCOMPARE(t[0].vActive, 2160);
    QCOMPARE(t[0].pixelClockKHz, 594000);
    QVERIFY(std::fabs(t[0].refreshHz - 60.0) < 1e-9);
    QVERIFY(std::fabs(t[0].hFreqKHz - 135.0) < 1e-9);
    QVERIFY(t[0].preferred);
    QCOMPARE(t[0].aspect, QStringLiteral("16:9"));
    QCOMPARE(t[0].block, 1);
    QVERIFY(FormatEdidInfo(info).contains(
        QStringLiteral("  DisplayID type I: 3840x2160 @ 60 Hz, 594 MHz (preferred)\n")));

    // Type VII in DisplayID 2.0: the same mode, clock in 1 kHz units.
    edid = BaseBlock(4, 0x02, 1) +
           DisplayIdBlock(0x20, 0x22, DisplayIdDescriptor(QByteArray::fromHex("4F1009"), 0x04));
    info = DecodeEdid(edid);
    t = From(info, QStringLiteral("DisplayID type VII"));
    QCOMPARE(t.size(), 1);
    QCOMPARE(t[0].pixelClockKHz, 594000);
    QVERIFY(std::fabs(t[0].refreshHz - 60.0) < 1e-9);
    QVERIFY(!t[0].preferred);
    // The 1.x tag means something else in 2.0 and is not read as type I.
    edid = BaseBlock(4, 0x02, 1) +
           DisplayIdBlock(0x20, 0x03, DisplayIdDescriptor(QByteArray::fromHex("07E800"), 0x84));
    QVERIFY(From(DecodeEdid(edid), QStringLiteral("DisplayID type I")).isEmpty());

    // Type VII carried in a CTA-861 data block (extended tag 34).
    const QByteArray cta = QByteArray(1, char(0xE0 | 22)) + QByteArray::fromHex("2200") +
                           DisplayIdDescriptor(QByteArray::fromHex("4F1009"), 0x04);
    info = WithCta(cta);
    t = From(info, QStringLiteral("DisplayID type VII"));
    QCOMPARE(t.size(), 1);
    QCOMPARE(t[0].hActive, 3840);
    QVERIFY(
        info.ctaDataBlocks.contains(QStringLiteral("DisplayID type VII video timing data block")));
}

void TestEdidBytes::displayIdLengthsBounded() {
    QByteArray edid =
        BaseBlock(4, 0x02, 1) +
        DisplayIdBlock(0x12, 0x03, DisplayIdDescriptor(QByteArray::fromHex("07E800"), 0x84));
    // A data block claiming more than its section holds.
    QByteArray bad = edid;
    bad[128 + 7] = char(200);
    FixBlock(bad, 128);
    EdidInfo info = DecodeEdid(bad);
    QVERIFY(HasFinding(info, QStringLiteral("runs past the end of the section")));
    QVERIFY(From(info, QStringLiteral("DisplayID type I")).isEmpty());
    // A section longer than the block.
    bad = edid;
    bad[128 + 2] = char(250);
    FixBlock(bad, 128);
    info = DecodeEdid(bad);
    QVERIFY(HasFinding(info, QStringLiteral("section length 250")));
    // A payload that is not whole descriptors: the whole ones are read.
    bad = BaseBlock(4, 0x02, 1) +
          DisplayIdBlock(0x12, 0x03,
                         DisplayIdDescriptor(QByteArray::fromHex("07E800"), 0x84) + "abc");
    info = DecodeEdid(bad);
    QCOMPARE(From(info, QStringLiteral("DisplayID type I")).size(), 1);
    QVERIFY(HasFinding(info, QStringLiteral("not a multiple of 20")));
    // A broken section checksum.
    bad = edid;
    bad[128 + 20] = char(bad[128 + 20] + 1);
    FixBlock(bad, 128);
    QVERIFY(HasFinding(DecodeEdid(bad), QStringLiteral("DisplayID section checksum")));
}

void TestEdidBytes::edid13WithoutPreferredBit() {
    // EDID 1.3 with byte 0x18 bit 1 set: the first detailed timing is preferred.
    EdidInfo info = DecodeEdid(BaseBlock(3, 0x0A, 0));
    QVERIFY(info.hasPreferredTiming);
    QCOMPARE(info.preferredTiming.hActive, 1920);
    QVERIFY(info.timings.first().preferred);

    // Bit clear: no preferred timing, and a failure (1.3 demands the bit).
    info = DecodeEdid(BaseBlock(3, 0x08, 0));
    QVERIFY(!info.hasPreferredTiming);
    for (const EdidTiming &t : info.timings)
        QVERIFY(!t.preferred);
    QVERIFY(HasFinding(info, QStringLiteral("EDID 1.3 requires the first detailed timing")));
    QVERIFY(EdidInfoToJson(info).value(QStringLiteral("preferred")).isNull());
    QVERIFY(FormatEdidInfo(info).startsWith(QStringLiteral("Preferred mode: none declared\n")));
    // The timing itself is still listed.
    QCOMPARE(From(info, QStringLiteral("DTD")).size(), 1);

    // EDID 1.4: the first detailed timing is preferred whatever the bit says.
    info = DecodeEdid(BaseBlock(4, 0x00, 0));
    QVERIFY(info.hasPreferredTiming);
    QVERIFY(!HasFinding(info, QStringLiteral("requires")));
}

void TestEdidBytes::ycbcr420MapLongerThanVideoList() {
    // Three video descriptors (16, 97, 96); the map names 2 and 3 and a
    // ninth that is not there.
    const QByteArray vdb = QByteArray::fromHex("43106160");
    EdidInfo info = WithCta(vdb + QByteArray::fromHex("E30F0601"));
    QCOMPARE(info.videoModes.size(), 3);
    QVERIFY(!info.videoModes[0].ycbcr420Also);
    QVERIFY(info.videoModes[1].ycbcr420Also);
    QVERIFY(info.videoModes[2].ycbcr420Also);
    const QList<EdidTiming> vics = From(info, QStringLiteral("VIC"));
    QCOMPARE(vics.size(), 3);
    QVERIFY(vics[1].ycbcr420Also && vics[2].ycbcr420Also && !vics[0].ycbcr420Also);
    QVERIFY(HasFinding(info, QStringLiteral("names video descriptor 9, but the video data "
                                            "blocks list only 3")));
    QVERIFY(FormatEdidInfo(info).contains(
        QStringLiteral("  4:2:0 also: 3840x2160 @ 60 Hz (VIC 97)\n")));

    // A map without bytes: every descriptor.
    info = WithCta(vdb + QByteArray::fromHex("E10F"));
    for (const EdidVideoMode &m : info.videoModes)
        QVERIFY(m.ycbcr420Also);
    QVERIFY(!HasFinding(info, QStringLiteral("capability map")));

    // 4:2:0-only modes from the 4:2:0 video data block are timings of their own.
    info = WithCta(vdb + QByteArray::fromHex("E30E6566"));
    QCOMPARE(From(info, QStringLiteral("VIC")).size(), 5);
    QVERIFY(From(info, QStringLiteral("VIC")).last().ycbcr420Only);
}

void TestEdidBytes::truncatedCtaContent() {
    const QByteArray full = BaseBlock(3, 0x0A, 1) + CtaBlock(QByteArray::fromHex("43106160"));
    // The file ends inside the CTA block: the block is not decoded.
    EdidInfo info = DecodeEdid(full.left(128 + 6));
    QVERIFY(!info.hasCta);
    QVERIFY(HasFinding(info, QStringLiteral("Block 1 is incomplete: 6 of 128")));
    QVERIFY(HasFinding(info, QStringLiteral("announces 1 extension block(s)")) == false);

    // The HDMI block announces latency and video fields it does not carry.
    info = WithCta(QByteArray::fromHex("68030C0010000000A0"));
    QVERIFY(info.hdmi.present);
    QVERIFY(HasFinding(info, QStringLiteral("too short for its latency fields")));
    QCOMPARE(info.hdmi.videoLatencyMs, -1);

    // HDMI VICs announced past the block's end.
    info = WithCta(QByteArray::fromHex("6A030C00100000002000E0"));
    QVERIFY(HasFinding(info, QStringLiteral("HDMI VIC list runs past the end")));
    QVERIFY(From(info, QStringLiteral("HDMI VIC")).isEmpty());

    // A detailed timing offset past the end leaves the data blocks at the
    // checksum byte.
    QByteArray cut =
        BaseBlock(3, 0x0A, 1) + CtaBlock(QByteArray::fromHex("5F") + QByteArray(31, 0x10));
    cut[128 + 2] = char(200);
    FixBlock(cut, 128);
    info = DecodeEdid(cut);
    QVERIFY(HasFinding(info, QStringLiteral("past the end of the block")));
    QCOMPARE(info.videoModes.size(), 31);
}

void TestEdidBytes::hdmiBlock() {
    const QByteArray vsdb = QByteArray::fromHex("72"
                                                "030C00" // OUI
                                                "1000"   // 1.0.0.0
                                                "F8"     // AI, DC 48/36/30, Y444
                                                "44"     // 340 MHz
                                                "E0"     // latency, interlaced, video
                                                "150B"   // 40 ms, 20 ms
                                                "FF00"   // not supported, unknown
                                                "C0"     // 3D present, 3D_Multi 2
                                                "42"     // 2 HDMI VICs, 2 bytes 3D
                                                "0104"   // HDMI VICs 1 and 4
                                                "0141"); // mask: SbS, T&B, FP
    EdidInfo info = WithCta(vsdb);
    const EdidHdmiBlock &h = info.hdmi;
    QVERIFY(h.present);
    QCOMPARE(h.physicalAddressText, QStringLiteral("1.0.0.0"));
    QVERIFY(h.supportsAi);
    QCOMPARE(h.deepColor, (QStringList{QStringLiteral("DC_48bit"), QStringLiteral("DC_36bit"),
                                       QStringLiteral("DC_30bit"), QStringLiteral("DC_Y444")}));
    QCOMPARE(h.maxTmdsClockMHz, 340);
    QCOMPARE(h.videoLatencyMs, 40);
    QCOMPARE(h.audioLatencyMs, 20);
    QCOMPARE(h.interlacedVideoLatencyMs, -2);
    QCOMPARE(h.interlacedAudioLatencyMs, 0);
    QVERIFY(h.threeD);
    QCOMPARE(h.threeDFormats.size(), 3);
    QCOMPARE(h.hdmiVics, (QList<int>{1, 4}));
    const QList<EdidTiming> hv = From(info, QStringLiteral("HDMI VIC"));
    QCOMPARE(hv.size(), 2);
    QCOMPARE(hv[0].hActive, 3840);
    QVERIFY(std::fabs(hv[0].refreshHz - 30.0) < 1e-9);
    QCOMPARE(hv[1].hActive, 4096);
    QVERIFY(!HasFinding(info, QStringLiteral("TMDS")));
    const QString view = FormatEdidInfo(info);
    QVERIFY(view.contains(QStringLiteral("  Latency: video 40 ms, audio 20 ms\n")));
    QVERIFY(view.contains(
        QStringLiteral("  Interlaced latency: video not supported, audio unknown\n")));

    // Above 340 MHz in the HDMI 1.4 block: a failure.
    QByteArray fast = vsdb;
    fast[7] = char(0x78);
    info = WithCta(fast);
    QCOMPARE(info.hdmi.maxTmdsClockMHz, 600);
    QVERIFY(HasFinding(info, QStringLiteral("max TMDS clock of 600 MHz; above 340 MHz")));
}

void TestEdidBytes::hdmiForumBlock() {
    const QByteArray hf = QByteArray::fromHex("6D"
                                              "D85DC4" // OUI
                                              "01"     // version
                                              "78"     // 600 MHz
                                              "80"     // SCDC
                                              "53"     // FRL 5, DC 36/30 4:2:0
                                              "02"     // ALLM
                                              "702C"   // VRR 48..300 Hz
                                              "83"     // DSC 1.2, 12 and 10 bpc
                                              "36"     // DSC FRL 3, slices
                                              "05");
    EdidInfo info = WithCta(hf);
    const EdidHdmiForumBlock &h = info.hdmiForum;
    QVERIFY(h.present);
    QCOMPARE(h.maxTmdsCharacterRateMHz, 600);
    QVERIFY(h.scdc);
    QCOMPARE(h.maxFrlRate, 5);
    QCOMPARE(h.frlLanes, 4);
    QCOMPARE(h.frlGbpsPerLane, 10);
    QCOMPARE(h.deepColor420,
             (QStringList{QStringLiteral("DC_36bit_420"), QStringLiteral("DC_30bit_420")}));
    QVERIFY(h.allm);
    QCOMPARE(h.vrrMinHz, 48);
    QCOMPARE(h.vrrMaxHz, 300);
    QVERIFY(h.dsc);
    QCOMPARE(h.dscDepths, (QStringList{QStringLiteral("12 bpc"), QStringLiteral("10 bpc")}));
    QCOMPARE(h.dscFrlLanes, 4);
    QCOMPARE(h.dscFrlGbpsPerLane, 6);
    QVERIFY2(info.failures.isEmpty(), qPrintable(info.failures.join(QLatin1Char('\n'))));
    const QJsonObject json = EdidInfoToJson(info);
    QCOMPARE(json.value(QStringLiteral("maxTmdsMHz")).toInt(), 600);
    const QJsonObject frl = json.value(QStringLiteral("frl")).toObject();
    QCOMPARE(frl.value(QStringLiteral("lanes")).toInt(), 4);
    QCOMPARE(frl.value(QStringLiteral("gbpsPerLane")).toInt(), 10);
    QCOMPARE(frl.value(QStringLiteral("totalGbps")).toInt(), 40);
    QVERIFY(FormatEdidInfo(info).contains(QStringLiteral("  FRL: 4 lanes x 10 Gbps (40 Gbps)\n")));

    // FRL without SCDC, a rate at or below 340 MHz, VRRmax below VRRmin.
    QByteArray bad = hf;
    bad[5] = char(0x40); // 320 MHz
    bad[6] = 0x00;
    bad[9] = 0x30;  // VRRmin 48
    bad[10] = 0x20; // VRRmax 32
    info = WithCta(bad);
    QVERIFY(HasFinding(info, QStringLiteral("must be 0 or above 340 MHz")));
    QVERIFY(HasFinding(info, QStringLiteral("FRL is declared without SCDC")));
    QVERIFY(HasFinding(info, QStringLiteral("VRRmax (32 Hz) is below VRRmin (48 Hz)")));

    // The same fields from the sink capability data block (extended tag 0x79).
    info = WithCta(QByteArray::fromHex("E87900000178806302"));
    QCOMPARE(info.hdmiForum.frlLanes, 4);
    QCOMPARE(info.hdmiForum.frlGbpsPerLane, 12);
    QVERIFY(info.hdmiForum.allm);
}

void TestEdidBytes::hdrStaticMetadata() {
    EdidInfo info = WithCta(QByteArray::fromHex("E6060D01605028"));
    QVERIFY(info.hdr.present);
    QCOMPARE(info.hdr.eotfs.size(), 3);
    QVERIFY(info.hdr.eotfs.contains(QStringLiteral("SMPTE ST2084")));
    QVERIFY(info.hdr.eotfs.contains(QStringLiteral("Hybrid Log-Gamma")));
    QVERIFY(info.hdr.staticType1);
    QVERIFY(std::fabs(info.hdr.maxLuminance - 400.0) < 1e-9);
    QVERIFY(std::fabs(info.hdr.maxFrameAverageLuminance - 50.0 * std::pow(2.0, 2.5)) < 1e-9);
    QVERIFY(std::fabs(info.hdr.minLuminance - 400.0 * (40 / 255.0) * (40 / 255.0) / 100.0) < 1e-9);
    QVERIFY(
        FormatEdidInfo(info).contains(QStringLiteral("  HDR: SMPTE ST2084, Hybrid Log-Gamma\n")));
    const QJsonObject hdr = EdidInfoToJson(info).value(QStringLiteral("hdr")).toObject();
    QCOMPARE(hdr.value(QStringLiteral("eotfs")).toArray().size(), 3);

    // Only SDR gamma: no HDR in the summary; no block: null in the JSON.
    info = WithCta(QByteArray::fromHex("E3060101"));
    QVERIFY(FormatEdidInfo(info).contains(QStringLiteral("  HDR: none\n")));
    info = WithCta(QByteArray::fromHex("4110"));
    QVERIFY(EdidInfoToJson(info).value(QStringLiteral("hdr")).isNull());
    QVERIFY(HasFinding(WithCta(QByteArray::fromHex("E2060D")), QStringLiteral("HDR static metadata "
                                                                              "block too short")));
}

void TestEdidBytes::rangesContradictingTimings() {
    // Range limits 48-62 Hz, 30-83 kHz, 170 MHz; 1080p60 fits.
    EdidInfo info = WithCta(QByteArray::fromHex("4110"));
    QVERIFY2(info.failures.isEmpty(), qPrintable(info.failures.join(QLatin1Char('\n'))));
    // 1080p120 (VIC 63): 120 Hz, 135 kHz, 297 MHz are all outside.
    info = WithCta(QByteArray::fromHex("413F"));
    QVERIFY(HasFinding(info, QStringLiteral("outside the vertical range limits 48-62 Hz")));
    QVERIFY(HasFinding(info, QStringLiteral("outside the horizontal range limits 30-83 kHz")));
    QVERIFY(HasFinding(info, QStringLiteral("pixel clock of 297.000 MHz exceeds")));
    // A minimum above its maximum.
    QByteArray b = BaseBlock(3, 0x0A, 0);
    b[95] = char(70);
    FixBlock(b, 0);
    QVERIFY(HasFinding(DecodeEdid(b), QStringLiteral("a minimum exceeds its maximum")));
}

void TestEdidBytes::establishedThreeAndCvtCodes() {
    // Values as edid-decode gives them for the same descriptors.
    QByteArray b = BaseBlock(4, 0x02, 0);
    Put(b, 90, QByteArray::fromHex("000000F7000A80080000000000000000000000"));
    Put(b, 108, QByteArray::fromHex("000000F8000157283F57201FFF220F000000"));
    FixBlock(b, 0);
    const EdidInfo info = DecodeEdid(b);
    const QList<EdidTiming> est = From(info, QStringLiteral("Established"));
    QCOMPARE(est.size(), 2);
    QCOMPARE(est[0].hActive, 640);
    QCOMPARE(est[0].vActive, 350);
    QVERIFY(std::fabs(est[0].refreshHz - 85.079948) < 5e-6);
    QCOMPARE(est[1].hActive, 1280);
    QCOMPARE(est[1].vActive, 960);

    struct Cvt {
        int h, v;
        double hz;
        int kHz;
    };
    const Cvt expected[] = {
        {1920, 1200, 49.932477, 158250}, {1920, 1200, 59.884600, 193250},
        {1920, 1200, 74.930340, 245250}, {1920, 1200, 84.931608, 281250},
        {1920, 1200, 59.950171, 154000}, {1600, 1200, 49.915277, 131500},
        {1600, 1200, 59.869106, 161000}, {1600, 1200, 74.975832, 204750},
        {1600, 1200, 84.950895, 235000}, {1600, 1200, 59.923629, 130250},
        {2048, 1536, 59.953787, 267250}, {2048, 1536, 74.958607, 339000},
        {2048, 1536, 84.942541, 388500}, {2048, 1536, 59.980394, 209250},
    };
    const QList<EdidTiming> cvt = From(info, QStringLiteral("CVT"));
    QCOMPARE(cvt.size(), int(std::size(expected)));
    for (int i = 0; i < cvt.size(); ++i) {
        const QByteArray what = QByteArray::number(i);
        QVERIFY2(cvt[i].hActive == expected[i].h && cvt[i].vActive == expected[i].v, what);
        QVERIFY2(std::fabs(cvt[i].refreshHz - expected[i].hz) < 5e-6, what);
        QCOMPARE(cvt[i].pixelClockKHz, expected[i].kHz);
    }
}

QTEST_APPLESS_MAIN(TestEdidBytes)
#include "tst_edidbytes.moc"
