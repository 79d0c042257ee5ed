#include "control/EdidDecoder.h"

#include "control/EdidCheck.h"
#include "control/EdidVicTable.h"

namespace {

using Bytes = const uchar *;

const uchar HeaderBytes[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr int DescriptorSize = 18;
constexpr int FirstDescriptor = 54;
constexpr quint32 OuiHdmi = 0x000C03;
constexpr quint32 OuiHdmiForum = 0xC45DD8;

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
        return QStringLiteral("Unknown extension (tag 0x%1)")
            .arg(QString::number(tag, 16).toUpper().rightJustified(2, QLatin1Char('0')));
    }
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

EdidTiming DetailedTiming(Bytes d) {
    EdidTiming t;
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
    if (hTotal > 0 && vTotal > 0)
        t.refreshHz = t.pixelClockKHz * 1000.0 / (hTotal * vTotal);
    return t;
}

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
    return r;
}

void DecodeBase(Bytes b, int n, EdidInfo &info) {
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
        info.warnings << QStringLiteral("Manufacturer ID is not three letters.");
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

    for (int k = 0; k < 4; ++k) {
        const int at = FirstDescriptor + k * DescriptorSize;
        if (at + DescriptorSize > n)
            break;
        Bytes d = b + at;
        if (d[0] != 0 || d[1] != 0) {
            if (k == 0) {
                info.hasPreferredTiming = true;
                info.preferredTiming = DetailedTiming(d);
            }
            continue;
        }
        if (k == 0) {
            info.warnings << QStringLiteral(
                "The first descriptor is not a detailed timing: no preferred timing given.");
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
            const bool offsets = info.version > 1 || (info.version == 1 && info.revision >= 4);
            info.rangeLimits = RangeLimits(d, offsets);
            const EdidRangeLimits &r = info.rangeLimits;
            if (r.minVerticalHz > r.maxVerticalHz || r.minHorizontalKHz > r.maxHorizontalKHz)
                info.warnings << QStringLiteral("Range limits: a minimum exceeds its maximum.");
            break;
        }
        default:
            break;
        }
    }
}

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

EdidAudioFormat ShortAudioDescriptor(Bytes s) {
    static const int rates[] = {32000, 44100, 48000, 88200, 96000, 176400, 192000};
    static const int depths[] = {16, 20, 24};
    EdidAudioFormat a;
    a.code = (s[0] >> 3) & 0x0F;
    a.maxChannels = (s[0] & 0x07) + 1;
    for (int i = 0; i < 7; ++i) {
        if (s[1] & (1 << i))
            a.sampleRatesHz << rates[i];
    }
    if (a.code == 1) {
        for (int i = 0; i < 3; ++i) {
            if (s[2] & (1 << i))
                a.bitDepths << depths[i];
        }
    } else if (a.code >= 2 && a.code <= 8) {
        a.maxBitrateKbps = s[2] * 8;
    } else if (a.code == 15) {
        a.extendedCode = s[2] >> 3;
    }
    a.name = AudioFormatName(a.code, a.extendedCode);
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

// HDMI Forum capabilities; `p` starts at the three OUI (or extended tag and
// two reserved) bytes.
void HdmiForumBlock(Bytes p, int len, EdidInfo &info, const QString &where) {
    if (len < 5) {
        info.warnings << where +
                             QStringLiteral(": HDMI Forum block too short (%1 bytes).").arg(len);
        return;
    }
    info.hdmiForum.present = true;
    info.hdmiForum.version = p[3];
    info.hdmiForum.maxTmdsCharacterRateMHz = p[4] * 5;
}

void VendorBlock(Bytes p, int len, EdidInfo &info, const QString &where) {
    if (len < 3) {
        info.warnings << where +
                             QStringLiteral(": vendor-specific data block too short for its OUI.");
        return;
    }
    const quint32 oui = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16);
    if (oui == OuiHdmi) {
        if (len < 5) {
            info.warnings << where + QStringLiteral(": HDMI block too short for the physical "
                                                    "address (%1 bytes).")
                                         .arg(len);
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
        if (len >= 7)
            h.maxTmdsClockMHz = p[6] * 5;
    } else if (oui == OuiHdmiForum) {
        HdmiForumBlock(p, len, info, where);
    }
}

void ExtendedBlock(Bytes p, int len, EdidInfo &info, const QString &where) {
    if (len < 1) {
        info.warnings << where + QStringLiteral(": extended data block without its tag.");
        return;
    }
    switch (p[0]) {
    case 14: // YCbCr 4:2:0 video data block: modes only in 4:2:0
        for (int i = 1; i < len; ++i)
            info.videoModes << ShortVideoDescriptor(p[i], true);
        break;
    case 0x79: // HDMI Forum sink capability data block
        HdmiForumBlock(p, len, info, where);
        break;
    default:
        break;
    }
}

void DecodeCta(Bytes e, int blockIndex, EdidInfo &info) {
    const QString where = QStringLiteral("Block %1").arg(blockIndex);
    info.hasCta = true;
    info.ctaRevision = e[1];
    const int dtdOffset = e[2];
    if (dtdOffset == 0)
        return; // neither data blocks nor detailed timings
    int end = dtdOffset;
    if (dtdOffset < 4) {
        info.warnings << where + QStringLiteral(": detailed timing offset %1 is out of range.")
                                     .arg(dtdOffset);
        return;
    }
    if (dtdOffset > EdidBlockSize - 1) {
        info.warnings << where + QStringLiteral(": detailed timing offset %1 is past the end of "
                                                "the block.")
                                     .arg(dtdOffset);
        end = EdidBlockSize - 1; // the data blocks can reach the checksum byte at most
    }
    if (info.ctaRevision < 3)
        return; // earlier revisions carry no data blocks

    int i = 4;
    while (i < end) {
        const int tag = e[i] >> 5;
        const int len = e[i] & 0x1F;
        if (i + 1 + len > end) {
            info.warnings << where + QStringLiteral(": data block at offset %1 (tag %2, %3 bytes) "
                                                    "runs past the end of the data blocks at "
                                                    "offset %4; the rest is ignored.")
                                         .arg(i)
                                         .arg(tag)
                                         .arg(len)
                                         .arg(end);
            break;
        }
        Bytes p = e + i + 1;
        switch (tag) {
        case 1:
            if (len % 3 != 0) {
                info.warnings << where + QStringLiteral(": audio data block length %1 is not a "
                                                        "multiple of 3.")
                                             .arg(len);
            }
            for (int k = 0; k + 3 <= len; k += 3)
                info.audioFormats << ShortAudioDescriptor(p + k);
            break;
        case 2:
            for (int k = 0; k < len; ++k)
                info.videoModes << ShortVideoDescriptor(p[k], false);
            break;
        case 3:
            VendorBlock(p, len, info, where);
            break;
        case 4:
            if (len < 3) {
                info.warnings << where + QStringLiteral(": speaker allocation data block too "
                                                        "short (%1 bytes).")
                                             .arg(len);
            }
            info.hasSpeakerAllocation = true;
            for (int k = 0; k < 3 && k < len; ++k) {
                for (int bit = 0; bit < 8; ++bit) {
                    if ((p[k] & (1 << bit)) && SpeakerNames[k][bit])
                        info.speakers << QString::fromLatin1(SpeakerNames[k][bit]);
                }
            }
            break;
        case 5: // VESA display transfer characteristic
            break;
        case 7:
            ExtendedBlock(p, len, info, where);
            break;
        default:
            info.warnings << where + QStringLiteral(": data block with reserved tag %1 at offset "
                                                    "%2 ignored.")
                                         .arg(tag)
                                         .arg(i);
            break;
        }
        i += 1 + len;
    }
}

QString Trimmed(double value, int decimals) {
    QString s = QString::number(value, 'f', decimals);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}

QString TimingText(const EdidTiming &t) {
    return QStringLiteral("%1x%2%3 @ %4 Hz")
        .arg(t.hActive)
        .arg(t.vActive)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(Trimmed(t.refreshHz, 2));
}

QString RatesText(const QList<int> &ratesHz) {
    QStringList parts;
    for (int r : ratesHz)
        parts << Trimmed(r / 1000.0, 1);
    return parts.join(QLatin1Char('/')) + QStringLiteral(" kHz");
}

} // namespace

EdidInfo DecodeEdid(const QByteArray &bytes) {
    EdidInfo info;
    info.inputSize = int(bytes.size());
    const int n = info.inputSize < EdidSize ? info.inputSize : EdidSize;
    info.bytesDecoded = n;
    // constData() never detaches: the caller's bytes stay untouched.
    Bytes b = reinterpret_cast<Bytes>(bytes.constData());

    if (n == 0) {
        info.warnings << QStringLiteral("No EDID data.");
        return info;
    }
    if (info.inputSize > EdidSize) {
        info.warnings << QStringLiteral("Only the first %1 of %2 bytes are decoded.")
                             .arg(EdidSize)
                             .arg(info.inputSize);
    }

    for (int start = 0, index = 0; start < n; start += EdidBlockSize, ++index) {
        EdidBlockInfo block;
        block.index = index;
        block.tag = b[start];
        block.kind = BlockKind(index, block.tag);
        block.complete = start + EdidBlockSize <= n;
        if (block.complete) {
            unsigned sum = 0;
            for (int i = 0; i < EdidBlockSize; ++i)
                sum += b[start + i];
            block.checksumValid = (sum & 0xFF) == 0;
            if (!block.checksumValid)
                info.warnings << QStringLiteral("Block %1: checksum is invalid.").arg(index);
        } else {
            info.warnings << QStringLiteral("Block %1 is incomplete: %2 of %3 bytes.")
                                 .arg(index)
                                 .arg(n - start)
                                 .arg(EdidBlockSize);
        }
        info.blocks << block;
    }

    info.headerValid = n >= 8;
    for (int i = 0; i < 8 && i < n; ++i) {
        if (b[i] != HeaderBytes[i])
            info.headerValid = false;
    }
    if (!info.headerValid)
        info.warnings << QStringLiteral("The EDID header 00 FF FF FF FF FF FF 00 is missing.");

    DecodeBase(b, n, info);
    if (n < EdidBlockSize)
        return info;

    info.extensionCount = b[126];
    const int present = info.blocks.size() - 1; // extension blocks, complete or not
    if (info.extensionCount > 1) {
        info.warnings << QStringLiteral("The base block announces %1 extension blocks; only "
                                        "the first is kept in 256 bytes.")
                             .arg(info.extensionCount);
    }
    if (info.extensionCount >= 1 && n < EdidSize) {
        info.warnings << QStringLiteral("The base block announces an extension block that is "
                                        "missing or incomplete.");
    }
    if (info.extensionCount == 0 && present > 0) {
        info.warnings << QStringLiteral("The base block announces no extension block but a "
                                        "second block is present.");
    }
    if (present > 0 && info.blocks.at(1).complete) {
        Bytes e = b + EdidBlockSize;
        if (e[0] == 0x02) {
            DecodeCta(e, 1, info);
        } else {
            info.warnings
                << QStringLiteral("Block 1 (%1) is not decoded.").arg(info.blocks.at(1).kind);
        }
    }
    return info;
}

QString FormatEdidInfo(const EdidInfo &info) {
    QStringList lines;
    if (info.baseDecoded) {
        lines << QStringLiteral("Name: %1")
                     .arg(info.displayName.isEmpty() ? QStringLiteral("(none)") : info.displayName);
        QString maker = QStringLiteral("Maker: %1, product code %2 (0x%3)")
                            .arg(info.manufacturerId)
                            .arg(info.productCode)
                            .arg(QString::number(info.productCode, 16)
                                     .toUpper()
                                     .rightJustified(4, QLatin1Char('0')));
        if (info.serialNumber != 0)
            maker += QStringLiteral(", serial number %1").arg(info.serialNumber);
        lines << maker;
        if (!info.displaySerial.isEmpty())
            lines << QStringLiteral("Serial text: %1").arg(info.displaySerial);
        if (!info.dataString.isEmpty())
            lines << QStringLiteral("Text: %1").arg(info.dataString);
        if (info.modelYear)
            lines << QStringLiteral("Model year %1").arg(info.year);
        else if (info.week >= 1 && info.week <= 54)
            lines << QStringLiteral("Made in week %1 of %2").arg(info.week).arg(info.year);
        else
            lines << QStringLiteral("Made in %1").arg(info.year);
        QString version = QStringLiteral("EDID %1.%2").arg(info.version).arg(info.revision);
        if (info.bytesDecoded >= EdidBlockSize) {
            version += info.extensionCount == 1
                           ? QStringLiteral(", 1 extension block")
                           : QStringLiteral(", %1 extension blocks").arg(info.extensionCount);
        }
        lines << version;
    }
    for (const EdidBlockInfo &block : info.blocks) {
        lines << QStringLiteral("Block %1 (%2): %3")
                     .arg(block.index)
                     .arg(block.kind)
                     .arg(!block.complete       ? QStringLiteral("INCOMPLETE")
                          : block.checksumValid ? QStringLiteral("checksum valid")
                                                : QStringLiteral("checksum INVALID"));
    }
    if (info.hasPreferredTiming) {
        lines << QStringLiteral("Preferred timing: %1, pixel clock %2 MHz")
                     .arg(TimingText(info.preferredTiming))
                     .arg(Trimmed(info.preferredTiming.pixelClockKHz / 1000.0, 3));
    }
    if (info.hasRangeLimits) {
        const EdidRangeLimits &r = info.rangeLimits;
        QString text = QStringLiteral("Range limits: %1-%2 Hz V, %3-%4 kHz H")
                           .arg(r.minVerticalHz)
                           .arg(r.maxVerticalHz)
                           .arg(r.minHorizontalKHz)
                           .arg(r.maxHorizontalKHz);
        if (r.maxPixelClockMHz > 0)
            text += QStringLiteral(", max pixel clock %1 MHz").arg(r.maxPixelClockMHz);
        lines << text;
    }
    if (info.hasCta) {
        lines << QStringLiteral("CTA-861 revision %1").arg(info.ctaRevision);
        if (!info.videoModes.isEmpty()) {
            lines << QStringLiteral("Video modes:");
            for (const EdidVideoMode &m : info.videoModes) {
                QString line = QStringLiteral("  VIC %1: ").arg(m.vic);
                if (m.known)
                    line += TimingText(m.timing) + QLatin1Char(' ') + m.timing.aspect;
                else
                    line += QStringLiteral("unknown");
                if (m.native)
                    line += QStringLiteral(" (native)");
                if (m.ycbcr420Only)
                    line += QStringLiteral(" (4:2:0 only)");
                lines << line;
            }
        }
        if (!info.audioFormats.isEmpty()) {
            lines << QStringLiteral("Audio formats:");
            for (const EdidAudioFormat &a : info.audioFormats) {
                QString line = QStringLiteral("  %1: %2 ch, %3")
                                   .arg(a.name)
                                   .arg(a.maxChannels)
                                   .arg(RatesText(a.sampleRatesHz));
                if (!a.bitDepths.isEmpty()) {
                    QStringList depths;
                    for (int d : a.bitDepths)
                        depths << QString::number(d);
                    line += QStringLiteral(", %1 bit").arg(depths.join(QLatin1Char('/')));
                }
                if (a.maxBitrateKbps > 0)
                    line += QStringLiteral(", max %1 kbit/s").arg(a.maxBitrateKbps);
                lines << line;
            }
        }
        if (info.hasSpeakerAllocation) {
            lines << QStringLiteral("Speakers: %1")
                         .arg(info.speakers.isEmpty() ? QStringLiteral("(none)")
                                                      : info.speakers.join(QStringLiteral(", ")));
        }
        if (info.hdmi.present) {
            QString text =
                QStringLiteral("HDMI: physical address %1").arg(info.hdmi.physicalAddressText);
            if (info.hdmi.maxTmdsClockMHz > 0)
                text += QStringLiteral(", max TMDS clock %1 MHz").arg(info.hdmi.maxTmdsClockMHz);
            lines << text;
        }
        if (info.hdmiForum.present) {
            QString text = QStringLiteral("HDMI Forum: version %1").arg(info.hdmiForum.version);
            if (info.hdmiForum.maxTmdsCharacterRateMHz > 0) {
                text += QStringLiteral(", max TMDS character rate %1 MHz")
                            .arg(info.hdmiForum.maxTmdsCharacterRateMHz);
            }
            lines << text;
        }
    }
    if (!info.warnings.isEmpty()) {
        lines << QStringLiteral("Warnings:");
        for (const QString &w : info.warnings)
            lines << QStringLiteral("  ") + w;
    }
    return lines.join(QLatin1Char('\n'));
}
