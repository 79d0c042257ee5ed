#include "control/EdidDecoder.h"

#include "control/EdidDmtTable.h"
#include "control/EdidVicTable.h"

#include <cmath>

namespace {

using Bytes = const uchar *;

constexpr int BlockSize = 128;
const uchar HeaderBytes[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int DescriptorSize = 18;
constexpr int FirstDescriptor = 54;
constexpr quint32 OuiHdmi = 0x000C03;
constexpr quint32 OuiHdmiForum = 0xC45DD8;
constexpr int MaxHdmi14TmdsMHz = 340;

QString Hex2(int v) {
    return QString::number(v, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

QString BlockKind(int index, int tag) {
    if (index == 0)
        return QStringLiteral("Base EDID");
    switch (tag) {
    case 0x02:
        return QStringLiteral("CTA-861 extension");
    case 0x10:
        return QStringLiteral("Video timing extension");
    case 0x40:
        return QStringLiteral("Display information extension");
    case 0x50:
        return QStringLiteral("Localized string extension");
    case 0x60:
        return QStringLiteral("Digital packet video link extension");
    case 0x70:
        return QStringLiteral("DisplayID extension");
    case 0xF0:
        return QStringLiteral("Block map");
    case 0xFF:
        return QStringLiteral("Manufacturer extension");
    default:
        return QStringLiteral("Unknown extension (tag 0x%1)").arg(Hex2(tag));
    }
}

// The decoder's working state: the result and what the blocks leave for
// the checks at the end.
struct Decoder {
    explicit Decoder(EdidInfo &result) : info(result) {}

    EdidInfo &info;
    int dtdCount = 0;       // detailed timings met so far, over all blocks
    QList<int> svdTimings;  // per short video descriptor of the video data
                            // blocks: its index in info.timings, -1 unknown VIC
    QList<int> svdModes;    // per short video descriptor: its index in videoModes
    QList<int> y420MapBits; // capability map: SVD positions it names
    bool y420MapAll = false;
    bool hasVcdb = false;

    void fail(const QString &s) { info.failures << s; }
    void warn(const QString &s) { info.warnings << s; }
};

void DisplayIdTimings(Decoder &dec, Bytes p, int len, bool typeVii, int block);

// ---- Timings -----------------------------------------------------------------

EdidTiming DmtTiming(const EdidDmt &d, const QString &source, int block) {
    EdidTiming t;
    t.hActive = d.hActive;
    t.vActive = d.vActive;
    t.interlaced = d.interlaced;
    t.refreshHz = d.refreshHz;
    t.hFreqKHz = d.hFreqKHz;
    t.pixelClockKHz = d.pixelClockKHz;
    t.source = source;
    t.code = d.id;
    t.block = block;
    return t;
}

// Text of a display descriptor (13 bytes, ended by a line feed, padded with
// spaces). Characters outside printable ASCII show as '?'.
QString DescriptorText(Bytes d) {
    QString text;
    for (int i = 5; i < DescriptorSize; ++i) {
        const uchar c = d[i];
        if (c == 0x0A)
            break;
        text.append(c >= 0x20 && c < 0x7F ? QChar(c) : QLatin1Char('?'));
    }
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// An 18-byte detailed timing descriptor (pixel clock not zero).
EdidTiming DetailedTiming(Bytes d) {
    EdidTiming t;
    t.source = QStringLiteral("DTD");
    t.pixelClockKHz = (d[0] | (d[1] << 8)) * 10;
    t.hActive = d[2] | ((d[4] & 0xF0) << 4);
    const int hBlank = d[3] | ((d[4] & 0x0F) << 8);
    const int vActive = d[5] | ((d[7] & 0xF0) << 4);
    const int vBlank = d[6] | ((d[7] & 0x0F) << 8);
    t.interlaced = (d[17] & 0x80) != 0;
    // An interlaced descriptor gives the lines of one field; each field has
    // half a line more of blanking.
    const double hTotal = t.hActive + hBlank;
    const double vTotal = vActive + vBlank + (t.interlaced ? 0.5 : 0.0);
    t.vActive = t.interlaced ? vActive * 2 : vActive;
    if (hTotal > 0 && vTotal > 0) {
        t.refreshHz = t.pixelClockKHz * 1000.0 / (hTotal * vTotal);
        t.hFreqKHz = t.pixelClockKHz / hTotal;
    }
    return t;
}

bool DetailedTimingHasZeros(Bytes d) {
    const int hActive = d[2] | ((d[4] & 0xF0) << 4);
    const int hBlank = d[3] | ((d[4] & 0x0F) << 8);
    const int vActive = d[5] | ((d[7] & 0xF0) << 4);
    const int vBlank = d[6] | ((d[7] & 0x0F) << 8);
    const int hSync = d[9] | ((d[11] & 0x30) << 4);
    const int vSync = (d[10] & 0x0F) | ((d[11] & 0x03) << 4);
    return hActive == 0 || hBlank == 0 || vActive == 0 || vBlank == 0 || hSync == 0 || vSync == 0;
}

void AddDetailedTiming(Decoder &dec, Bytes d, int block) {
    EdidTiming t = DetailedTiming(d);
    t.code = ++dec.dtdCount;
    t.block = block;
    if (DetailedTimingHasZeros(d)) {
        dec.fail(QStringLiteral("Detailed timing %1 (block %2) has zero active, blanking or "
                                "sync values.")
                     .arg(t.code)
                     .arg(block));
    }
    dec.info.timings << t;
}

// Established timings I and II, bytes 0x23..0x25, bit 7 of 0x23 first.
void EstablishedTimings(Decoder &dec, Bytes b) {
    struct Other {
        int h, v;
        double hz, khz;
        int kHzClock;
    };
    // Entries no DMT names: 0 stands for one of these (by position).
    static const Other others[] = {{720, 400, 70.081663, 31.467, 28320},
                                   {720, 400, 87.849542, 39.444, 35500},
                                   {640, 480, 66.666667, 35.000, 30240},
                                   {832, 624, 74.551266, 49.726, 57284},
                                   {1152, 870, 75.061550, 68.681, 100000}};
    static const int ids[17] = {-1,   -2, 0x04, -3,   0x05, 0x06, 0x08, 0x09, 0x0A,
                                0x0B, -4, 0x0F, 0x10, 0x11, 0x12, 0x24, -5};
    for (int i = 0; i < 17; ++i) {
        const uchar byte = b[0x23 + i / 8];
        if (!(byte & (0x80 >> (i % 8))))
            continue;
        if (ids[i] > 0) {
            if (const EdidDmt *d = EdidDmtById(ids[i]))
                dec.info.timings << DmtTiming(*d, QStringLiteral("Established"), 0);
            continue;
        }
        const Other &o = others[-ids[i] - 1];
        EdidTiming t;
        t.hActive = o.h;
        t.vActive = o.v;
        t.refreshHz = o.hz;
        t.hFreqKHz = o.khz;
        t.pixelClockKHz = o.kHzClock;
        t.source = QStringLiteral("Established");
        dec.info.timings << t;
    }
}

// One standard timing (two bytes); nothing for the unused 01 01.
void StandardTiming(Decoder &dec, uchar b1, uchar b2, int block) {
    if ((b1 == 0x01 && b2 == 0x01) || (b1 == 0x00 && b2 == 0x00) || (b1 == 0x20 && b2 == 0x20))
        return;
    if (b1 == 0x00) {
        dec.fail(QStringLiteral("Standard timing %1 %2 has an invalid horizontal size.")
                     .arg(Hex2(b1), Hex2(b2)));
        return;
    }
    if (const EdidDmt *d = EdidDmtByStdCode((b1 << 8) | b2)) {
        dec.info.timings << DmtTiming(*d, QStringLiteral("Standard"), block);
        return;
    }
    // No table names it: the size and rate as written (the sink derives the
    // rest by formula).
    EdidTiming t;
    t.hActive = (b1 + 31) * 8;
    const int ratio = b2 >> 6;
    const bool before13 = dec.info.version == 1 && dec.info.revision < 3;
    switch (ratio) {
    case 0:
        t.vActive = before13 ? t.hActive : t.hActive * 10 / 16;
        t.aspect = before13 ? QStringLiteral("1:1") : QStringLiteral("16:10");
        break;
    case 1:
        t.vActive = t.hActive * 3 / 4;
        t.aspect = QStringLiteral("4:3");
        break;
    case 2:
        t.vActive = t.hActive * 4 / 5;
        t.aspect = QStringLiteral("5:4");
        break;
    default:
        t.vActive = t.hActive * 9 / 16;
        t.aspect = QStringLiteral("16:9");
        break;
    }
    t.refreshHz = (b2 & 0x3F) + 60;
    t.source = QStringLiteral("Standard");
    t.block = block;
    t.nominal = true;
    dec.info.timings << t;
}

void EstablishedTimings3(Decoder &dec, Bytes d) {
    static const int ids[6][8] = {
        {0x01, 0x02, 0x03, 0x07, 0x0E, 0x0C, 0x13, 0x15},
        {0x16, 0x17, 0x18, 0x19, 0x20, 0x21, 0x23, 0x25},
        {0x27, 0x2E, 0x2F, 0x30, 0x31, 0x29, 0x2A, 0x2B},
        {0x2C, 0x39, 0x3A, 0x3B, 0x3C, 0x33, 0x34, 0x35},
        {0x36, 0x37, 0x3E, 0x3F, 0x41, 0x42, 0x44, 0x45},
        {0x46, 0x47, 0x49, 0x4A, 0, 0, 0, 0},
    };
    for (int k = 0; k < 6; ++k) {
        for (int bit = 0; bit < 8; ++bit) {
            if (!(d[6 + k] & (0x80 >> bit)) || ids[k][bit] == 0)
                continue;
            if (const EdidDmt *t = EdidDmtById(ids[k][bit]))
                dec.info.timings << DmtTiming(*t, QStringLiteral("Established"), 0);
        }
    }
}

// A timing by the VESA coordinated video timing formula (CVT 1.x, progressive,
// no margins): standard blanking, or reduced blanking version 1.
EdidTiming CvtTiming(int h, int v, int rate, int vSync, bool reduced) {
    EdidTiming t;
    t.hActive = h;
    t.vActive = v;
    constexpr double minVPorch = 3;
    double totalPixels = 0, totalLines = 0, clockMHz = 0;
    if (!reduced) {
        constexpr double minVSyncBp = 550.0; // us
        const double hPeriod = (1e6 / rate - minVSyncBp) / (v + minVPorch);
        double vSyncBp = std::floor(minVSyncBp / hPeriod) + 1;
        if (vSyncBp < vSync + 6)
            vSyncBp = vSync + 6;
        totalLines = v + vSyncBp + minVPorch;
        double duty = 30.0 - 300.0 * hPeriod / 1000.0;
        if (duty < 20)
            duty = 20;
        const double hBlank = std::floor(h * duty / (100.0 - duty) / 16.0) * 16.0;
        totalPixels = h + hBlank;
        clockMHz = std::floor(totalPixels / hPeriod / 0.25) * 0.25;
    } else {
        constexpr double minVBlank = 460.0; // us
        const double hPeriod = (1e6 / rate - minVBlank) / v;
        double vbi = std::floor(minVBlank / hPeriod) + 1;
        if (vbi < minVPorch + vSync + 6)
            vbi = minVPorch + vSync + 6;
        totalLines = v + vbi;
        totalPixels = h + 160.0;
        clockMHz = std::floor(rate * totalLines * totalPixels / 1e6 / 0.25) * 0.25;
    }
    t.pixelClockKHz = int(std::lround(clockMHz * 1000.0));
    t.hFreqKHz = clockMHz * 1000.0 / totalPixels;
    t.refreshHz = t.hFreqKHz * 1000.0 / totalLines;
    return t;
}

// CVT 3-byte codes: size, aspect and the rates supported, each rate a
// timing by the CVT formula.
void CvtCodes(Decoder &dec, Bytes d) {
    for (int k = 0; k < 4; ++k) {
        Bytes c = d + 6 + 3 * k;
        if (c[0] == 0 && c[1] == 0 && c[2] == 0)
            continue;
        const int v = ((c[0] | ((c[1] & 0xF0) << 4)) + 1) * 2;
        static const int num[4] = {4, 16, 16, 15};
        static const int den[4] = {3, 9, 10, 9};
        static const int vSyncs[4] = {4, 5, 6, 7};
        static const char *const aspects[4] = {"4:3", "16:9", "16:10", "15:9"};
        const int a = (c[1] >> 2) & 0x03;
        const int h = 8 * ((v * num[a] / den[a]) / 8);
        static const int rates[5] = {50, 60, 75, 85, 60};
        for (int bit = 0; bit < 5; ++bit) {
            if (!(c[2] & (0x10 >> bit)))
                continue;
            EdidTiming t = CvtTiming(h, v, rates[bit], vSyncs[a], bit == 4);
            t.aspect = QString::fromLatin1(aspects[a]);
            t.source = QStringLiteral("CVT");
            dec.info.timings << t;
        }
    }
}

// ---- Base block ----------------------------------------------------------------

EdidRangeLimits RangeLimits(Bytes d, bool offsetsAllowed) {
    EdidRangeLimits r;
    r.minVerticalHz = d[5];
    r.maxVerticalHz = d[6];
    r.minHorizontalKHz = d[7];
    r.maxHorizontalKHz = d[8];
    r.maxPixelClockMHz = d[9] * 10;
    if (offsetsAllowed) {
        // Rate offsets: bits 1..0 for vertical, 3..2 for horizontal;
        // 10 adds 255 to the maximum, 11 to both.
        const int v = d[4] & 0x03;
        const int h = (d[4] >> 2) & 0x03;
        if (v >= 2)
            r.maxVerticalHz += 255;
        if (v == 3)
            r.minVerticalHz += 255;
        if (h >= 2)
            r.maxHorizontalKHz += 255;
        if (h == 3)
            r.minHorizontalKHz += 255;
    }
    switch (d[10]) {
    case 0x00:
        r.kind = QStringLiteral("GTF");
        break;
    case 0x01:
        r.kind = QStringLiteral("Bare Limits");
        break;
    case 0x02:
        r.kind = QStringLiteral("Secondary GTF");
        break;
    case 0x04:
        r.kind = QStringLiteral("CVT");
        break;
    default:
        r.kind = QStringLiteral("reserved 0x%1").arg(Hex2(d[10]));
        break;
    }
    return r;
}

void DisplayParameters(Decoder &dec, Bytes b) {
    EdidInfo &info = dec.info;
    info.hasDisplayParameters = true;
    const bool v14 = info.version > 1 || (info.version == 1 && info.revision >= 4);
    const uchar input = b[0x14];
    info.digital = (input & 0x80) != 0;
    if (info.digital && v14) {
        static const int depths[8] = {0, 6, 8, 10, 12, 14, 16, -1};
        info.bitDepth = depths[(input >> 4) & 0x07];
        static const char *const kinds[6] = {"", "DVI", "HDMI-a", "HDMI-b", "MDDI", "DisplayPort"};
        const int k = input & 0x0F;
        info.interface =
            k < 6 ? QString::fromLatin1(kinds[k]) : QStringLiteral("reserved interface %1").arg(k);
        if (info.bitDepth < 0)
            dec.fail(QStringLiteral("The colour bit depth field holds a reserved value."));
    } else if (!info.digital) {
        static const char *const levels[4] = {
            "0.700 : 0.300 : 1.000 V p-p", "0.714 : 0.286 : 1.000 V p-p",
            "1.000 : 0.400 : 1.400 V p-p", "0.700 : 0.000 : 0.700 V p-p"};
        info.interface =
            QStringLiteral("Signal level %1").arg(QString::fromLatin1(levels[(input >> 5) & 0x03]));
    }
    info.widthCm = b[0x15];
    info.heightCm = b[0x16];
    info.gamma = b[0x17] == 0xFF ? 0.0 : (b[0x17] + 100) / 100.0;

    const uchar f = b[0x18];
    if (f & 0x80)
        info.features << QStringLiteral("DPMS standby");
    if (f & 0x40)
        info.features << QStringLiteral("DPMS suspend");
    if (f & 0x20)
        info.features << QStringLiteral("DPMS active-off");
    const int type = (f >> 3) & 0x03;
    if (info.digital && v14) {
        static const char *const formats[4] = {"RGB 4:4:4", "RGB 4:4:4, YCrCb 4:4:4",
                                               "RGB 4:4:4, YCrCb 4:2:2",
                                               "RGB 4:4:4, YCrCb 4:4:4, YCrCb 4:2:2"};
        info.colorFormats = QString::fromLatin1(formats[type]);
    } else {
        static const char *const types[4] = {"Monochrome or grayscale display", "RGB color display",
                                             "Non-RGB color display",
                                             "Undefined display color type"};
        info.colorFormats = QString::fromLatin1(types[type]);
    }
    if (f & 0x04)
        info.features << QStringLiteral("sRGB is the default colour space");
    info.preferredBit = (f & 0x02) != 0;
    if (f & 0x01) {
        info.features << (v14 ? QStringLiteral("Continuous frequency")
                              : QStringLiteral("Supports GTF timings within the range limits"));
    }

    const uchar lo1 = b[0x19], lo2 = b[0x1A];
    const int lows[8] = {(lo1 >> 6) & 3, (lo1 >> 4) & 3, (lo1 >> 2) & 3, lo1 & 3,
                         (lo2 >> 6) & 3, (lo2 >> 4) & 3, (lo2 >> 2) & 3, lo2 & 3};
    for (int i = 0; i < 8; ++i)
        info.chroma[i] = ((b[0x1B + i] << 2) | lows[i]) / 1024.0;
    // Four decimals, cut rather than rounded, as the values are usually quoted.
    for (double &c : info.chroma)
        c = std::floor(c * 10000.0) / 10000.0;
}

void DecodeBase(Decoder &dec, Bytes b, int n) {
    EdidInfo &info = dec.info;
    if (n < 20)
        return;
    info.baseDecoded = true;
    const int id = (b[8] << 8) | b[9];
    bool idValid = true;
    for (int shift = 10; shift >= 0; shift -= 5) {
        const int letter = (id >> shift) & 0x1F;
        if (letter >= 1 && letter <= 26) {
            info.manufacturerId.append(QChar('A' + letter - 1));
        } else {
            info.manufacturerId.append(QLatin1Char('?'));
            idValid = false;
        }
    }
    if (!idValid)
        dec.fail(QStringLiteral("Manufacturer ID is not three letters."));
    info.productCode = b[10] | (b[11] << 8);
    info.serialNumber =
        quint32(b[12]) | (quint32(b[13]) << 8) | (quint32(b[14]) << 16) | (quint32(b[15]) << 24);
    if (b[16] == 0xFF) {
        info.modelYear = true;
        info.week = 0;
    } else {
        info.week = b[16];
    }
    info.year = 1990 + b[17];
    info.version = b[18];
    info.revision = b[19];
    // A cut-off block still yields what lies wholly within it.
    const bool v14 = info.version > 1 || (info.version == 1 && info.revision >= 4);
    if (n >= FirstDescriptor) {
        DisplayParameters(dec, b);
        EstablishedTimings(dec, b);
        for (int k = 0; k < 8; ++k)
            StandardTiming(dec, b[0x26 + 2 * k], b[0x27 + 2 * k], 0);
    }

    for (int k = 0; k < 4; ++k) {
        if (FirstDescriptor + (k + 1) * DescriptorSize > n)
            return; // the checks below need the whole block
        Bytes d = b + FirstDescriptor + k * DescriptorSize;
        if (d[0] != 0 || d[1] != 0) {
            AddDetailedTiming(dec, d, 0);
            if (k == 0 && (v14 || info.preferredBit)) {
                info.timings.last().preferred = true;
                info.hasPreferredTiming = true;
                info.preferredTiming = info.timings.last();
            } else if (k == 0 && info.version == 1 && info.revision == 3) {
                dec.fail(QStringLiteral("EDID 1.3 requires the first detailed timing to be the "
                                        "preferred timing, but byte 0x18 does not say so."));
            }
            continue;
        }
        if (k == 0) {
            dec.fail(QStringLiteral(
                "The first descriptor is not a detailed timing: no preferred timing given."));
        }
        switch (d[3]) {
        case 0xFC:
            info.displayName = DescriptorText(d);
            break;
        case 0xFF:
            info.displaySerial = DescriptorText(d);
            break;
        case 0xFE:
            info.dataString = DescriptorText(d);
            break;
        case 0xFD: {
            info.hasRangeLimits = true;
            info.rangeLimits = RangeLimits(d, v14);
            const EdidRangeLimits &r = info.rangeLimits;
            if (r.minVerticalHz > r.maxVerticalHz || r.minHorizontalKHz > r.maxHorizontalKHz)
                dec.fail(QStringLiteral("Range limits: a minimum exceeds its maximum."));
            break;
        }
        case 0xFA:
            for (int s = 0; s < 6; ++s)
                StandardTiming(dec, d[5 + 2 * s], d[6 + 2 * s], 0);
            break;
        case 0xF7:
            EstablishedTimings3(dec, d);
            break;
        case 0xF8:
            CvtCodes(dec, d);
            break;
        default:
            break;
        }
    }

    if (info.displayName.isEmpty()) {
        if (v14)
            dec.warn(QStringLiteral("No display product name is given."));
        else
            dec.fail(QStringLiteral("The display product name is missing."));
    }
    if (!info.hasRangeLimits) {
        if (!v14)
            dec.fail(QStringLiteral("The display range limits are missing."));
        else if (b[0x18] & 0x01)
            dec.fail(QStringLiteral("The display range limits are missing although the display "
                                    "is continuous frequency."));
    }
    if (!info.displaySerial.isEmpty() && info.serialNumber != 0) {
        dec.warn(QStringLiteral("Both a serial number and a serial number text are given; the "
                                "number should then be 0."));
    }
}

// ---- CTA-861 -------------------------------------------------------------------

QString AudioFormatName(int code, int extended) {
    static const char *const names[] = {"Reserved (0)",
                                        "Linear PCM",
                                        "AC-3",
                                        "MPEG 1 (Layers 1 & 2)",
                                        "MPEG 1 Layer 3 (MP3)",
                                        "MPEG2 (multichannel)",
                                        "AAC LC",
                                        "DTS",
                                        "ATRAC",
                                        "One Bit Audio",
                                        "Enhanced AC-3 (DD+)",
                                        "DTS-HD",
                                        "MAT (MLP)",
                                        "DST",
                                        "WMA Pro"};
    if (code >= 0 && code < 15)
        return QString::fromLatin1(names[code]);
    switch (extended) {
    case 4:
        return QStringLiteral("MPEG-4 HE AAC");
    case 5:
        return QStringLiteral("MPEG-4 HE AAC v2");
    case 6:
        return QStringLiteral("MPEG-4 AAC LC");
    case 7:
        return QStringLiteral("DRA");
    case 8:
        return QStringLiteral("MPEG-4 HE AAC + MPEG Surround");
    case 10:
        return QStringLiteral("MPEG-4 AAC LC + MPEG Surround");
    case 11:
        return QStringLiteral("MPEG-H 3D Audio");
    case 12:
        return QStringLiteral("AC-4");
    case 13:
        return QStringLiteral("L-PCM 3D Audio");
    default:
        return QStringLiteral("Unknown extended audio format (%1)").arg(extended);
    }
}

// One short audio descriptor. The channel count is read by the format's own
// rule: bits 2..0 of the first byte for the coded formats and most extended
// types; L-PCM 3D spreads five bits over the first two bytes; MPEG-H 3D keeps
// its level there and AC-4 nothing.
EdidAudioFormat ShortAudioDescriptor(Decoder &dec, Bytes s) {
    static const int rates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
    static const int depths[] = {16, 20, 24};
    EdidAudioFormat a;
    a.code = (s[0] >> 3) & 0x0F;
    if (a.code == 15)
        a.extendedCode = s[2] >> 3;
    a.name = AudioFormatName(a.code, a.extendedCode);
    for (int i = 0; i < 7; ++i) {
        if (s[1] & (1 << i))
            a.sampleRatesHz << rates[i];
    }
    if (a.code == 0) {
        dec.fail(QStringLiteral("Audio format code 0 is reserved."));
        return a;
    }
    if (a.code != 15) {
        a.maxChannels = (s[0] & 0x07) + 1;
    } else if (a.extendedCode == 13) {
        a.maxChannels = (((s[1] & 0x80) >> 3) | ((s[0] & 0x80) >> 4) | (s[0] & 0x07)) + 1;
    } else if (a.extendedCode == 11) {
        static const char *const levels[] = {"unspecified", "1", "2", "3", "4", "5"};
        const int level = s[0] & 0x07;
        a.detail =
            QStringLiteral("MPEG-H 3D Audio level %1")
                .arg(level < 6 ? QString::fromLatin1(levels[level]) : QStringLiteral("reserved"));
    } else if (a.extendedCode == 12) {
        if (s[0] & 0x07)
            dec.fail(QStringLiteral("AC-4 audio descriptor: bits 2..0 of its first byte must be "
                                    "0."));
    } else {
        a.maxChannels = (s[0] & 0x07) + 1;
    }

    if (a.code == 1 || (a.code == 15 && a.extendedCode == 13)) {
        for (int i = 0; i < 3; ++i) {
            if (s[2] & (1 << i))
                a.bitDepths << depths[i];
        }
    } else if (a.code >= 2 && a.code <= 8) {
        a.maxBitrateKbps = s[2] * 8;
    } else if (a.code == 10 && (s[2] & 0x01)) {
        a.detail = QStringLiteral("Joint Object Coding");
    } else if (a.code == 12 && (s[2] & 0x01)) {
        a.detail = QStringLiteral("Dolby TrueHD and object audio");
    } else if (a.code == 14) {
        a.detail = QStringLiteral("profile %1").arg(s[2] & 0x07);
    }
    return a;
}

const char *const SpeakerNames[3][8] = {
    {"FL/FR", "LFE1", "FC", "BL/BR", "BC", "FLc/FRc", "RLC/RRC", "FLw/FRw"},
    {"TpFL/TpFR", "TpC", "TpFC", "LS/RS", "LFE2", "TpBC", "SiL/SiR", "TpSiL/TpSiR"},
    {"TpBL/TpBR", "BtFC", "BtFL/BtFR", "TpLS/TpRS", "LSd/RSd", nullptr, nullptr, nullptr},
};

EdidVideoMode ShortVideoDescriptor(uchar svd, bool ycbcr420Only) {
    EdidVideoMode m;
    m.ycbcr420Only = ycbcr420Only;
    if (svd >= 129 && svd <= 192) {
        m.vic = svd & 0x7F;
        m.native = true;
    } else {
        m.vic = svd;
    }
    m.known = EdidVicTiming(m.vic, m.timing);
    return m;
}

void AddVideoMode(Decoder &dec, uchar svd, bool ycbcr420Only, int block) {
    EdidVideoMode m = ShortVideoDescriptor(svd, ycbcr420Only);
    int timingIndex = -1;
    if (m.known) {
        m.timing.source = QStringLiteral("VIC");
        m.timing.code = m.vic;
        m.timing.block = block;
        m.timing.native = m.native;
        m.timing.ycbcr420Only = ycbcr420Only;
        timingIndex = int(dec.info.timings.size());
        dec.info.timings << m.timing;
    } else if (m.vic != 0) {
        dec.warn(QStringLiteral("VIC %1 is not a known video format.").arg(m.vic));
    } else {
        dec.fail(QStringLiteral("A short video descriptor holds the reserved VIC 0."));
    }
    if (!ycbcr420Only) {
        dec.svdTimings << timingIndex;
        dec.svdModes << int(dec.info.videoModes.size());
    }
    dec.info.videoModes << m;
}

// Lanes and rate per lane of a max FRL rate field; 0 and 0 without FRL.
void FrlLanes(int rate, int &lanes, int &gbps) {
    static const int laneCount[7] = {0, 3, 3, 4, 4, 4, 4};
    static const int perLane[7] = {0, 3, 6, 6, 8, 10, 12};
    if (rate < 1 || rate > 6) {
        lanes = 0;
        gbps = 0;
        return;
    }
    lanes = laneCount[rate];
    gbps = perLane[rate];
}

// HDMI Forum capabilities; `p` starts at the three OUI (or extended tag and
// two reserved) bytes.
void HdmiForumBlock(Decoder &dec, Bytes p, int len, const QString &where) {
    EdidHdmiForumBlock &h = dec.info.hdmiForum;
    if (len < 5) {
        dec.fail(where + QStringLiteral(": HDMI Forum block too short (%1 bytes).").arg(len));
        return;
    }
    h.present = true;
    h.version = p[3];
    h.maxTmdsCharacterRateMHz = p[4] * 5;
    if (h.maxTmdsCharacterRateMHz > 0 && h.maxTmdsCharacterRateMHz <= MaxHdmi14TmdsMHz) {
        dec.fail(where + QStringLiteral(": the HDMI Forum block's max TMDS character rate (%1 "
                                        "MHz) must be 0 or above 340 MHz.")
                             .arg(h.maxTmdsCharacterRateMHz));
    }
    if (len < 6)
        return;
    h.scdc = p[5] & 0x80;
    h.readRequest = p[5] & 0x40;
    if (len < 7)
        return;
    h.maxFrlRate = p[6] >> 4;
    FrlLanes(h.maxFrlRate, h.frlLanes, h.frlGbpsPerLane);
    if (h.maxFrlRate > 6)
        dec.fail(where + QStringLiteral(": the max FRL rate %1 is reserved.").arg(h.maxFrlRate));
    if (p[6] & 0x04)
        h.deepColor420 << QStringLiteral("DC_48bit_420");
    if (p[6] & 0x02)
        h.deepColor420 << QStringLiteral("DC_36bit_420");
    if (p[6] & 0x01)
        h.deepColor420 << QStringLiteral("DC_30bit_420");
    if (h.maxFrlRate > 0 && !h.scdc)
        dec.fail(where + QStringLiteral(": FRL is declared without SCDC."));
    if (len < 8)
        return;
    h.qms = p[7] & 0x40;
    h.mDelta = p[7] & 0x20;
    h.cinemaVrr = p[7] & 0x10;
    h.cnmVrr = p[7] & 0x08;
    h.fva = p[7] & 0x04;
    h.allm = p[7] & 0x02;
    if (len < 10)
        return;
    h.vrrMinHz = p[8] & 0x3F;
    h.vrrMaxHz = ((p[8] & 0xC0) << 2) | p[9];
    if (h.vrrMaxHz != 0 && h.vrrMaxHz < h.vrrMinHz) {
        dec.fail(where + QStringLiteral(": VRRmax (%1 Hz) is below VRRmin (%2 Hz).")
                             .arg(h.vrrMaxHz)
                             .arg(h.vrrMinHz));
    }
    if (len < 11)
        return;
    h.dsc = p[10] & 0x80;
    h.dscNative420 = p[10] & 0x40;
    h.dscAllBpp = p[10] & 0x08;
    if (p[10] & 0x04)
        h.dscDepths << QStringLiteral("16 bpc");
    if (p[10] & 0x02)
        h.dscDepths << QStringLiteral("12 bpc");
    if (p[10] & 0x01)
        h.dscDepths << QStringLiteral("10 bpc");
    if (len < 12)
        return;
    h.dscMaxFrlRate = p[11] >> 4;
    FrlLanes(h.dscMaxFrlRate, h.dscFrlLanes, h.dscFrlGbpsPerLane);
    h.dscMaxSlices = p[11] & 0x0F;
    if (len < 13)
        return;
    h.dscTotalChunkKBytes = (p[12] & 0x3F);
}

int LatencyMs(uchar v) {
    if (v == 0)
        return 0;
    if (v == 255)
        return -2;
    return (v - 1) * 2;
}

void HdmiBlock(Decoder &dec, Bytes p, int len, const QString &where, int block) {
    EdidInfo &info = dec.info;
    if (len < 5) {
        dec.fail(where + QStringLiteral(": HDMI block too short for the physical address (%1 "
                                        "bytes).")
                             .arg(len));
        return;
    }
    EdidHdmiBlock &h = info.hdmi;
    h.present = true;
    h.physicalAddress = (p[3] << 8) | p[4];
    h.physicalAddressText = QStringLiteral("%1.%2.%3.%4")
                                .arg(p[3] >> 4, 0, 16)
                                .arg(p[3] & 0x0F, 0, 16)
                                .arg(p[4] >> 4, 0, 16)
                                .arg(p[4] & 0x0F, 0, 16);
    if (info.version == 1 && info.revision >= 4) {
        dec.warn(where + QStringLiteral(": HDMI 1.4 sinks are to declare EDID 1.3, this EDID "
                                        "is 1.%1.")
                             .arg(info.revision));
    }
    if (len < 6)
        return;
    h.supportsAi = p[5] & 0x80;
    if (p[5] & 0x40)
        h.deepColor << QStringLiteral("DC_48bit");
    if (p[5] & 0x20)
        h.deepColor << QStringLiteral("DC_36bit");
    if (p[5] & 0x10)
        h.deepColor << QStringLiteral("DC_30bit");
    if (p[5] & 0x08)
        h.deepColor << QStringLiteral("DC_Y444");
    h.dviDual = p[5] & 0x01;
    if (len < 7)
        return;
    h.maxTmdsClockMHz = p[6] * 5;
    if (h.maxTmdsClockMHz > MaxHdmi14TmdsMHz) {
        dec.fail(where + QStringLiteral(": the HDMI block declares a max TMDS clock of %1 MHz; "
                                        "above 340 MHz belongs in the HDMI Forum block.")
                             .arg(h.maxTmdsClockMHz));
    }
    if (len < 8)
        return;
    const uchar flags = p[7];
    int i = 8;
    if (flags & 0x80) {
        if (i + 2 > len) {
            dec.fail(where + QStringLiteral(": HDMI block too short for its latency fields."));
            return;
        }
        h.videoLatencyMs = LatencyMs(p[i]);
        h.audioLatencyMs = LatencyMs(p[i + 1]);
        i += 2;
    }
    if (flags & 0x40) {
        if (i + 2 > len) {
            dec.fail(where + QStringLiteral(": HDMI block too short for its interlaced latency "
                                            "fields."));
            return;
        }
        h.interlacedVideoLatencyMs = LatencyMs(p[i]);
        h.interlacedAudioLatencyMs = LatencyMs(p[i + 1]);
        i += 2;
    }
    if (!(flags & 0x20))
        return;
    if (i + 2 > len) {
        dec.fail(where + QStringLiteral(": HDMI block too short for its video details."));
        return;
    }
    h.threeD = p[i] & 0x80;
    h.threeDMulti = (p[i] >> 5) & 0x03;
    const int vicLen = p[i + 1] >> 5;
    const int threeDLen = p[i + 1] & 0x1F;
    i += 2;
    for (int k = 0; k < vicLen; ++k) {
        if (i >= len) {
            dec.fail(where + QStringLiteral(": HDMI VIC list runs past the end of the block."));
            return;
        }
        const int hv = p[i++];
        h.hdmiVics << hv;
        EdidTiming t;
        if (EdidHdmiVicTiming(hv, t)) {
            t.source = QStringLiteral("HDMI VIC");
            t.code = hv;
            t.block = block;
            info.timings << t;
        } else {
            dec.warn(where + QStringLiteral(": HDMI VIC %1 is not a known format.").arg(hv));
        }
    }
    if (i + threeDLen > len)
        dec.fail(where + QStringLiteral(": the 3D fields run past the end of the HDMI block."));
    // With a 3D structure mask its formats apply (to all or to the listed
    // VICs); without one, the three formats every 3D sink must carry.
    if ((h.threeDMulti == 1 || h.threeDMulti == 2) && i + 2 <= len) {
        const int mask = (p[i] << 8) | p[i + 1];
        if (mask & 0x0100)
            h.threeDFormats << QStringLiteral("side-by-side (half)");
        if (mask & 0x0040)
            h.threeDFormats << QStringLiteral("top-and-bottom");
        if (mask & 0x0001)
            h.threeDFormats << QStringLiteral("frame packing");
    } else if (h.threeD) {
        h.threeDFormats << QStringLiteral("side-by-side (half)") << QStringLiteral("top-and-bottom")
                        << QStringLiteral("frame packing");
    }
}

QString OuiText(quint32 oui) {
    return QStringLiteral("%1-%2-%3")
        .arg(Hex2(oui >> 16), Hex2((oui >> 8) & 0xFF), Hex2(oui & 0xFF));
}

void VendorBlock(Decoder &dec, Bytes p, int len, const QString &where, int block) {
    if (len < 3) {
        dec.info.ctaDataBlocks << QStringLiteral("Vendor-specific data block");
        dec.fail(where + QStringLiteral(": vendor-specific data block too short for its OUI."));
        return;
    }
    const quint32 oui = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16);
    if (oui == OuiHdmi) {
        dec.info.ctaDataBlocks << QStringLiteral("Vendor-specific data block (HDMI)");
        HdmiBlock(dec, p, len, where, block);
    } else if (oui == OuiHdmiForum) {
        dec.info.ctaDataBlocks << QStringLiteral("Vendor-specific data block (HDMI Forum)");
        HdmiForumBlock(dec, p, len, where);
    } else {
        QString name;
        switch (oui) {
        case 0x00001A:
            name = QStringLiteral(" (AMD)");
            break;
        case 0x90848B:
            name = QStringLiteral(" (HDR10+)");
            break;
        case 0x00D046:
            name = QStringLiteral(" (Dolby)");
            break;
        default:
            break;
        }
        dec.info.ctaDataBlocks
            << QStringLiteral("Vendor-specific data block%1, OUI %2").arg(name, OuiText(oui));
    }
}

double LuminanceCode(int cv) {
    return 50.0 * std::pow(2.0, cv / 32.0);
}

void HdrStaticBlock(Decoder &dec, Bytes p, int len, const QString &where) {
    EdidHdrStatic &h = dec.info.hdr;
    if (len < 3) {
        dec.fail(where +
                 QStringLiteral(": HDR static metadata block too short (%1 bytes).").arg(len));
        return;
    }
    h.present = true;
    static const char *const eotfs[] = {"Traditional gamma - SDR luminance range",
                                        "Traditional gamma - HDR luminance range", "SMPTE ST2084",
                                        "Hybrid Log-Gamma"};
    for (int i = 0; i < 4; ++i) {
        if (p[1] & (1 << i))
            h.eotfs << QString::fromLatin1(eotfs[i]);
    }
    h.staticType1 = p[2] & 0x01;
    if (len >= 4 && p[3])
        h.maxLuminance = LuminanceCode(p[3]);
    if (len >= 5 && p[4])
        h.maxFrameAverageLuminance = LuminanceCode(p[4]);
    if (len >= 6 && p[3]) {
        h.hasMinLuminance = true;
        h.minLuminance = h.maxLuminance * (p[5] / 255.0) * (p[5] / 255.0) / 100.0;
    }
}

void VideoCapabilityBlock(Decoder &dec, Bytes p, int len, const QString &where) {
    if (len < 2) {
        dec.fail(where + QStringLiteral(": video capability block too short."));
        return;
    }
    dec.hasVcdb = true;
    EdidVideoCapability &v = dec.info.videoCapability;
    v.present = true;
    v.quantizationYcc = p[1] & 0x80;
    v.quantizationRgb = p[1] & 0x40;
    static const char *const pt[4] = {"No data", "Always overscanned", "Always underscanned",
                                      "Supports both over- and underscan"};
    static const char *const it[4] = {"IT video formats not supported", "Always overscanned",
                                      "Always underscanned", "Supports both over- and underscan"};
    static const char *const ce[4] = {"CE video formats not supported", "Always overscanned",
                                      "Always underscanned", "Supports both over- and underscan"};
    v.pt = QString::fromLatin1(pt[(p[1] >> 4) & 3]);
    v.it = QString::fromLatin1(it[(p[1] >> 2) & 3]);
    v.ce = QString::fromLatin1(ce[p[1] & 3]);
}

void ExtendedBlock(Decoder &dec, Bytes p, int len, const QString &where, int block) {
    EdidInfo &info = dec.info;
    if (len < 1) {
        info.ctaDataBlocks << QStringLiteral("Extended data block without its tag");
        dec.fail(where + QStringLiteral(": extended data block without its tag."));
        return;
    }
    switch (p[0]) {
    case 0:
        info.ctaDataBlocks << QStringLiteral("Video capability data block");
        VideoCapabilityBlock(dec, p, len, where);
        break;
    case 1:
        info.ctaDataBlocks << QStringLiteral("Vendor-specific video data block");
        break;
    case 2:
        info.ctaDataBlocks << QStringLiteral("VESA video display device data block");
        break;
    case 5: {
        info.ctaDataBlocks << QStringLiteral("Colorimetry data block");
        if (len < 3) {
            dec.fail(where + QStringLiteral(": colorimetry block too short."));
            break;
        }
        info.hasColorimetry = true;
        static const char *const names[8] = {"xvYCC601", "xvYCC709",   "sYCC601",   "opYCC601",
                                             "opRGB",    "BT2020cYCC", "BT2020YCC", "BT2020RGB"};
        for (int i = 0; i < 8; ++i) {
            if (p[1] & (1 << i))
                info.colorimetry << QString::fromLatin1(names[i]);
        }
        if (p[2] & 0x80)
            info.colorimetry << QStringLiteral("DCI-P3");
        break;
    }
    case 6:
        info.ctaDataBlocks << QStringLiteral("HDR static metadata data block");
        HdrStaticBlock(dec, p, len, where);
        break;
    case 7:
        info.ctaDataBlocks << QStringLiteral("HDR dynamic metadata data block");
        break;
    case 13:
        info.ctaDataBlocks << QStringLiteral("Video format preference data block");
        break;
    case 14: // YCbCr 4:2:0 video data block: modes only in 4:2:0
        info.ctaDataBlocks << QStringLiteral("YCbCr 4:2:0 video data block");
        for (int i = 1; i < len; ++i)
            AddVideoMode(dec, p[i], true, block);
        break;
    case 15: // YCbCr 4:2:0 capability map: bit n names the n-th SVD
        info.ctaDataBlocks << QStringLiteral("YCbCr 4:2:0 capability map data block");
        if (len == 1)
            dec.y420MapAll = true;
        for (int i = 1; i < len; ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                if (p[i] & (1 << bit))
                    dec.y420MapBits << (i - 1) * 8 + bit;
            }
        }
        break;
    case 17:
        info.ctaDataBlocks << QStringLiteral("Vendor-specific audio data block");
        break;
    case 18:
        info.ctaDataBlocks << QStringLiteral("HDMI audio data block");
        break;
    case 19:
        info.ctaDataBlocks << QStringLiteral("Room configuration data block");
        break;
    case 20:
        info.ctaDataBlocks << QStringLiteral("Speaker location data block");
        break;
    case 32:
        info.ctaDataBlocks << QStringLiteral("InfoFrame data block");
        break;
    case 34: { // DisplayID type VII timings carried in CTA-861
        info.ctaDataBlocks << QStringLiteral("DisplayID type VII video timing data block");
        if (len >= 2)
            DisplayIdTimings(dec, p + 2, len - 2, true, block);
        break;
    }
    case 0x78:
        info.ctaDataBlocks << QStringLiteral("HDMI Forum EDID extension override data block");
        break;
    case 0x79:
        info.ctaDataBlocks << QStringLiteral("HDMI Forum sink capability data block");
        HdmiForumBlock(dec, p, len, where);
        break;
    default:
        info.ctaDataBlocks << QStringLiteral("Extended data block, tag %1").arg(p[0]);
        break;
    }
}

void DecodeCta(Decoder &dec, Bytes e, int blockIndex) {
    EdidInfo &info = dec.info;
    const QString where = QStringLiteral("Block %1").arg(blockIndex);
    const bool first = !info.hasCta;
    info.hasCta = true;
    if (first) {
        info.ctaRevision = e[1];
        info.underscan = e[3] & 0x80;
        info.basicAudio = e[3] & 0x40;
        info.ycbcr444 = e[3] & 0x20;
        info.ycbcr422 = e[3] & 0x10;
        info.nativeDtds = e[3] & 0x0F;
    }
    const int dtdOffset = e[2];
    if (dtdOffset == 0)
        return; // neither data blocks nor detailed timings
    int end = dtdOffset;
    if (dtdOffset < 4) {
        dec.fail(where +
                 QStringLiteral(": detailed timing offset %1 is out of range.").arg(dtdOffset));
        return;
    }
    if (dtdOffset > BlockSize - 1) {
        dec.fail(where + QStringLiteral(": detailed timing offset %1 is past the end of the "
                                        "block.")
                             .arg(dtdOffset));
        end = BlockSize - 1; // the data blocks can reach the checksum byte at most
    }

    if (e[1] >= 3) {
        int i = 4;
        while (i < end) {
            const int tag = e[i] >> 5;
            const int len = e[i] & 0x1F;
            if (i + 1 + len > end) {
                dec.fail(where + QStringLiteral(": data block at offset %1 (tag %2, %3 bytes) "
                                                "runs past the end of the data blocks at offset "
                                                "%4; the rest is ignored.")
                                     .arg(i)
                                     .arg(tag)
                                     .arg(len)
                                     .arg(end));
                break;
            }
            Bytes p = e + i + 1;
            switch (tag) {
            case 1:
                info.ctaDataBlocks << QStringLiteral("Audio data block");
                if (len % 3 != 0) {
                    dec.fail(where + QStringLiteral(": audio data block length %1 is not a "
                                                    "multiple of 3.")
                                         .arg(len));
                }
                for (int k = 0; k + 3 <= len; k += 3)
                    info.audioFormats << ShortAudioDescriptor(dec, p + k);
                break;
            case 2:
                info.ctaDataBlocks << QStringLiteral("Video data block");
                for (int k = 0; k < len; ++k)
                    AddVideoMode(dec, p[k], false, blockIndex);
                break;
            case 3:
                VendorBlock(dec, p, len, where, blockIndex);
                break;
            case 4:
                info.ctaDataBlocks << QStringLiteral("Speaker allocation data block");
                if (len < 3) {
                    dec.fail(where + QStringLiteral(": speaker allocation data block too short "
                                                    "(%1 bytes).")
                                         .arg(len));
                }
                info.hasSpeakerAllocation = true;
                for (int k = 0; k < 3 && k < len; ++k) {
                    for (int bit = 0; bit < 8; ++bit) {
                        if ((p[k] & (1 << bit)) && SpeakerNames[k][bit])
                            info.speakers << QString::fromLatin1(SpeakerNames[k][bit]);
                    }
                }
                break;
            case 5:
                info.ctaDataBlocks << QStringLiteral("VESA display transfer characteristic "
                                                     "data block");
                break;
            case 7:
                ExtendedBlock(dec, p, len, where, blockIndex);
                break;
            default:
                info.ctaDataBlocks << QStringLiteral("Reserved data block, tag %1").arg(tag);
                dec.warn(where + QStringLiteral(": data block with reserved tag %1 at offset %2 "
                                                "ignored.")
                                     .arg(tag)
                                     .arg(i));
                break;
            }
            i += 1 + len;
        }
    } else if (dtdOffset > 4) {
        dec.warn(where + QStringLiteral(": CTA-861 revision %1 carries no data blocks; bytes 4 "
                                        "to %2 are ignored.")
                             .arg(e[1])
                             .arg(dtdOffset - 1));
    }

    for (int at = dtdOffset; at + DescriptorSize <= BlockSize - 1; at += DescriptorSize) {
        Bytes d = e + at;
        if (d[0] == 0 && d[1] == 0)
            break; // padding
        AddDetailedTiming(dec, d, blockIndex);
    }
}

// The 4:2:0 capability map names video descriptors by position.
void ApplyY420Map(Decoder &dec) {
    EdidInfo &info = dec.info;
    QList<int> positions = dec.y420MapBits;
    if (dec.y420MapAll) {
        for (int i = 0; i < dec.svdModes.size(); ++i)
            positions << i;
    }
    int beyond = -1;
    for (int pos : positions) {
        if (pos >= dec.svdModes.size()) {
            beyond = std::max(beyond, pos);
            continue;
        }
        info.videoModes[dec.svdModes[pos]].ycbcr420Also = true;
        if (dec.svdTimings[pos] >= 0)
            info.timings[dec.svdTimings[pos]].ycbcr420Also = true;
    }
    if (beyond >= 0) {
        dec.fail(QStringLiteral("The YCbCr 4:2:0 capability map names video descriptor %1, but "
                                "the video data blocks list only %2.")
                     .arg(beyond + 1)
                     .arg(dec.svdModes.size()));
    }
}

// ---- DisplayID -----------------------------------------------------------------

// Type I (10 kHz clock units) or type VII (1 kHz) detailed timings, 20 bytes
// each, from `p` for `len` bytes.
void DisplayIdTimings(Decoder &dec, Bytes p, int len, bool typeVii, int block) {
    static const char *const aspects[] = {"1:1",  "5:4",   "4:3",   "15:9",
                                          "16:9", "16:10", "64:27", "256:135"};
    if (len % 20 != 0) {
        dec.fail(QStringLiteral("Block %1: a DisplayID timing block's length %2 is not a "
                                "multiple of 20.")
                     .arg(block)
                     .arg(len));
    }
    for (int k = 0; k + 20 <= len; k += 20) {
        Bytes d = p + k;
        EdidTiming t;
        const int clock = (d[0] | (d[1] << 8) | (d[2] << 16)) + 1;
        t.pixelClockKHz = typeVii ? clock : clock * 10;
        t.preferred = d[3] & 0x80;
        t.interlaced = d[3] & 0x10;
        const int a = d[3] & 0x0F;
        if (a < 8)
            t.aspect = QString::fromLatin1(aspects[a]);
        t.hActive = (d[4] | (d[5] << 8)) + 1;
        const int hBlank = (d[6] | (d[7] << 8)) + 1;
        t.vActive = (d[12] | (d[13] << 8)) + 1;
        const int vBlank = (d[14] | (d[15] << 8)) + 1;
        const double hTotal = t.hActive + hBlank;
        const double vTotal = t.vActive + vBlank;
        t.hFreqKHz = t.pixelClockKHz / hTotal;
        t.refreshHz = t.pixelClockKHz * 1000.0 / (hTotal * vTotal) * (t.interlaced ? 2 : 1);
        t.source =
            typeVii ? QStringLiteral("DisplayID type VII") : QStringLiteral("DisplayID type I");
        t.block = block;
        dec.info.timings << t;
    }
}

void DecodeDisplayId(Decoder &dec, Bytes e, int blockIndex) {
    EdidInfo &info = dec.info;
    const QString where = QStringLiteral("Block %1").arg(blockIndex);
    info.hasDisplayId = true;
    // Byte 0 is the extension tag; the DisplayID section follows: version,
    // payload length, product type, extension count, data blocks, checksum.
    const int version = e[1];
    if (info.displayIdVersion == 0)
        info.displayIdVersion = version;
    int payload = e[2];
    const int maxPayload = BlockSize - 1 - 5 - 1; // section header and both checksums
    if (payload > maxPayload) {
        dec.fail(where + QStringLiteral(": DisplayID section length %1 is past the end of the "
                                        "block.")
                             .arg(payload));
        payload = maxPayload;
    } else {
        unsigned sum = 0;
        for (int i = 1; i < 5 + payload + 1; ++i)
            sum += e[i];
        if ((sum & 0xFF) != 0)
            dec.fail(where + QStringLiteral(": DisplayID section checksum is invalid."));
    }
    const bool v2 = version >= 0x20;
    int i = 5;
    const int end = 5 + payload;
    while (i + 3 <= end) {
        const int tag = e[i];
        const int len = e[i + 2];
        if (tag == 0 && len == 0 && e[i + 1] == 0)
            break; // padding
        if (i + 3 + len > end) {
            dec.fail(where + QStringLiteral(": DisplayID data block 0x%1 runs past the end of "
                                            "the section.")
                                 .arg(Hex2(tag)));
            break;
        }
        Bytes p = e + i + 3;
        if (!v2 && tag == 0x03)
            DisplayIdTimings(dec, p, len, false, blockIndex);
        else if (v2 && tag == 0x22)
            DisplayIdTimings(dec, p, len, true, blockIndex);
        i += 3 + len;
    }
}

void CheckRanges(Decoder &dec) {
    const EdidInfo &info = dec.info;
    if (!info.hasRangeLimits)
        return;
    const EdidRangeLimits &r = info.rangeLimits;
    double minV = 1e9, maxV = 0, minH = 1e9, maxH = 0;
    int maxClock = 0;
    for (const EdidTiming &t : info.timings) {
        if (t.refreshHz <= 0)
            continue;
        minV = std::min(minV, t.refreshHz);
        maxV = std::max(maxV, t.refreshHz);
        if (t.hFreqKHz > 0) {
            minH = std::min(minH, t.hFreqKHz);
            maxH = std::max(maxH, t.hFreqKHz);
        }
        maxClock = std::max(maxClock, t.pixelClockKHz);
    }
    if (maxV == 0)
        return;
    // Rates are compared as whole numbers, the way the limits are written.
    if (std::floor(minV + 0.5) < r.minVerticalHz || std::floor(maxV + 0.5) > r.maxVerticalHz) {
        dec.fail(QStringLiteral("Timings from %1 to %2 Hz lie outside the vertical range "
                                "limits %3-%4 Hz.")
                     .arg(minV, 0, 'f', 3)
                     .arg(maxV, 0, 'f', 3)
                     .arg(r.minVerticalHz)
                     .arg(r.maxVerticalHz));
    }
    const bool belowH = maxH > 0 && std::floor(minH + 0.5) < r.minHorizontalKHz;
    const bool aboveH = maxH > 0 && std::floor(maxH + 0.5) > r.maxHorizontalKHz;
    const QString outsideH = QStringLiteral("Timings from %1 to %2 kHz lie outside the horizontal "
                                            "range limits %3-%4 kHz.")
                                 .arg(minH, 0, 'f', 3)
                                 .arg(maxH, 0, 'f', 3)
                                 .arg(r.minHorizontalKHz)
                                 .arg(r.maxHorizontalKHz);
    if (belowH || (aboveH && r.maxHorizontalKHz != 255)) {
        dec.fail(outsideH);
    } else if (aboveH) {
        // 255 is the most the field holds without the rate offsets of EDID
        // 1.4; sinks write it for "255 kHz or more".
        dec.warn(outsideH + QStringLiteral(" The maximum of 255 kHz is the field's largest value "
                                           "without a rate offset."));
    }
    if (r.maxPixelClockMHz > 0 && maxClock > r.maxPixelClockMHz * 1000) {
        dec.fail(QStringLiteral("A timing's pixel clock of %1 MHz exceeds the range limits' "
                                "maximum of %2 MHz.")
                     .arg(maxClock / 1000.0, 0, 'f', 3)
                     .arg(r.maxPixelClockMHz));
    }
}

} // namespace

EdidInfo DecodeEdid(const QByteArray &bytes) {
    EdidInfo info;
    Decoder dec(info);
    info.inputSize = int(bytes.size());
    const int limit = EdidMaxBlocks * BlockSize;
    const int n = info.inputSize < limit ? info.inputSize : limit;
    info.bytesDecoded = n;
    // constData() never detaches: the caller's bytes stay untouched.
    Bytes b = reinterpret_cast<Bytes>(bytes.constData());

    if (n == 0) {
        dec.fail(QStringLiteral("No EDID data."));
        return info;
    }
    if (info.inputSize > limit) {
        dec.warn(QStringLiteral("Only the first %1 of %2 bytes are decoded.")
                     .arg(limit)
                     .arg(info.inputSize));
    }

    for (int start = 0, index = 0; start < n; start += BlockSize, ++index) {
        EdidBlockInfo block;
        block.index = index;
        block.tag = b[start];
        block.kind = BlockKind(index, block.tag);
        block.complete = start + BlockSize <= n;
        if (block.complete) {
            unsigned sum = 0;
            for (int i = 0; i < BlockSize; ++i)
                sum += b[start + i];
            block.checksumValid = (sum & 0xFF) == 0;
            if (!block.checksumValid)
                dec.fail(QStringLiteral("Block %1: checksum is invalid.").arg(index));
        } else {
            dec.fail(QStringLiteral("Block %1 is incomplete: %2 of %3 bytes.")
                         .arg(index)
                         .arg(n - start)
                         .arg(BlockSize));
        }
        info.blocks << block;
    }

    info.headerValid = n >= 8;
    for (int i = 0; i < 8 && i < n; ++i) {
        if (b[i] != HeaderBytes[i])
            info.headerValid = false;
    }
    if (!info.headerValid)
        dec.fail(QStringLiteral("The EDID header 00 FF FF FF FF FF FF 00 is missing."));

    DecodeBase(dec, b, n);
    if (n < BlockSize)
        return info;

    info.extensionCount = b[126];
    const int present = int(info.blocks.size()) - 1; // extension blocks, complete or not
    if (info.extensionCount != present) {
        dec.fail(QStringLiteral("The base block announces %1 extension block(s) but %2 %3 "
                                "present.")
                     .arg(info.extensionCount)
                     .arg(present)
                     .arg(present == 1 ? QStringLiteral("is") : QStringLiteral("are")));
    }
    for (int index = 1; index < info.blocks.size(); ++index) {
        const EdidBlockInfo &block = info.blocks.at(index);
        if (!block.complete)
            break;
        Bytes e = b + index * BlockSize;
        switch (e[0]) {
        case 0x02:
            DecodeCta(dec, e, index);
            break;
        case 0x70:
            DecodeDisplayId(dec, e, index);
            break;
        case 0xF0:
            break; // a block map only lists the tags of the others
        default:
            dec.warn(QStringLiteral("Block %1 (%2) is not decoded.").arg(index).arg(block.kind));
            break;
        }
    }
    ApplyY420Map(dec);

    // Native detailed timings: the first ones over the whole EDID.
    int nativeLeft = info.nativeDtds;
    for (EdidTiming &t : info.timings) {
        if (nativeLeft <= 0)
            break;
        if (t.source == QLatin1String("DTD")) {
            t.native = true;
            --nativeLeft;
        }
    }
    if (info.hasPreferredTiming && info.nativeDtds > 0)
        info.preferredTiming.native = true;

    CheckRanges(dec);
    return info;
}

int EdidMaxTmdsMHz(const EdidInfo &info) {
    return std::max(info.hdmi.maxTmdsClockMHz, info.hdmiForum.maxTmdsCharacterRateMHz);
}
