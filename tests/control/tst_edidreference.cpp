// The EDID decoder against the reference decoder edid-decode on every sample
// EDID of testdata/edid, field by field: every timing it lists (with its
// source), the preferred timing and the fields the decoded view shows. Where
// edid-decode is installed its output is read live; the same facts, as it
// gave them for these samples, are written down below for machines without
// it (only the live comparison is skipped there).
//
// EDID_REFERENCE_DUMP=1 prints the table below from a live run.

#include "SampleFiles.h"
#include "control/EdidDecoder.h"

#include <QDir>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// ---- What the reference prints, and the same facts from the decoder ---------

struct RefTiming {
    QString label; // "Established", "Standard", "CVT", "DTD 3", "VIC 97", "HDMI VIC 1", "DisplayID"
    int h = 0;
    int v = 0;
    bool interlaced = false;
    double hz = 0.0;
};

struct RefFacts {
    QList<RefTiming> timings;
    QStringList facts;
};

QString Label(const EdidTiming &t) {
    if (t.source == QLatin1String("DTD") || t.source == QLatin1String("VIC") ||
        t.source == QLatin1String("HDMI VIC"))
        return QStringLiteral("%1 %2").arg(t.source).arg(t.code);
    if (t.source.startsWith(QLatin1String("DisplayID")))
        return QStringLiteral("DisplayID");
    return t.source;
}

QString TimingFact(int h, int v, bool interlaced, double hz) {
    return QStringLiteral("%1x%2%3@%4")
        .arg(h)
        .arg(v)
        .arg(interlaced ? QStringLiteral("i") : QString())
        .arg(hz, 0, 'f', 6);
}

// The facts of the reference's text output (edid-decode -s -S -p).
RefFacts ParseEdidDecode(const QString &out) {
    static const QRegularExpression timingRe(QStringLiteral(
        R"(^\s+(IBM|Apple|DMT 0x[0-9a-f]+|GTF|CVT|VIC\s+\d+|HDMI VIC\s+\d+|DTD(?:\s+\d+)?)\s*:\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz)"));
    static const QRegularExpression valueRe(QStringLiteral(R"(^\s*([^:]+):\s*(.*)$)"));
    RefFacts r;
    QString block, section, sub, descriptor, audioName, audioChannels;
    bool preferredNext = false;
    bool preferredDone = false;
    auto flushAudio = [&](const QString &rates) {
        r.facts << QStringLiteral("audio=%1:%2:%3").arg(audioName, audioChannels, rates);
        audioName.clear();
        audioChannels = QStringLiteral("-");
    };
    for (const QString &raw : out.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        const int indent = int(
            raw.size() - QString(raw).remove(QRegularExpression(QStringLiteral("^\\s+"))).size());
        if (raw.startsWith(QLatin1String("Block "))) {
            block = raw;
            section.clear();
            continue;
        }
        if (raw.startsWith(QLatin1String("Preferred Video Timing if only Block 0"))) {
            preferredNext = true;
            continue;
        }
        if (!raw.startsWith(QLatin1Char(' ')))
            block = raw.startsWith(QLatin1String("Block ")) ? raw : QString();
        if (indent == 2) {
            sub.clear();
            descriptor.clear();
            if (line.endsWith(QLatin1Char(':'))) {
                section = line.chopped(1);
                continue;
            }
            section = line.section(QStringLiteral(": "), 0, 0);
        }
        if (indent == 6 && line.endsWith(QLatin1Char(':')))
            sub = line.chopped(1);
        if (indent == 4 && line.endsWith(QLatin1Char(':')))
            descriptor = line.chopped(1); // display descriptors listing timings
        else if (indent <= 4)
            descriptor.clear();
        const QRegularExpressionMatch tm = timingRe.match(raw);
        if (tm.hasMatch()) {
            const int h = tm.captured(2).toInt();
            const int v = tm.captured(3).toInt();
            const bool i = !tm.captured(4).isEmpty();
            const double hz = tm.captured(5).toDouble();
            if (preferredNext && !preferredDone) {
                r.facts << QStringLiteral("preferred=") + TimingFact(h, v, i, hz);
                preferredDone = true;
                continue;
            }
            // The 4:2:0 capability map and the 3D VIC lists name timings
            // listed before; they are no timings of their own.
            if (block.isEmpty() || section.contains(QLatin1String("Capability Map")) ||
                sub.startsWith(QLatin1String("3D VIC")))
                continue;
            QString label = tm.captured(1).simplified();
            if (label == QLatin1String("DTD"))
                label = QStringLiteral("DisplayID");
            else if (label.startsWith(QLatin1String("DTD")) ||
                     label.startsWith(QLatin1String("VIC")) ||
                     label.startsWith(QLatin1String("HDMI VIC")))
                ; // keeps its number
            else if (section.startsWith(QLatin1String("Established")) ||
                     descriptor.startsWith(QLatin1String("Established timings III")))
                label = QStringLiteral("Established");
            else if (section.startsWith(QLatin1String("Standard")) ||
                     descriptor.startsWith(QLatin1String("Standard Timings")))
                label = QStringLiteral("Standard");
            else if (descriptor.startsWith(QLatin1String("CVT 3 Byte")))
                label = QStringLiteral("CVT");
            r.timings << RefTiming{label, h, v, i, hz};
            if (label.startsWith(QLatin1String("VIC")) && raw.contains(QLatin1String("(native)")))
                r.facts << QStringLiteral("native=") + label;
            continue;
        }
        if (block.isEmpty())
            continue;
        if (section == QLatin1String("Audio Data Block")) {
            if (indent == 4 && line.endsWith(QLatin1Char(':'))) {
                audioName = line.chopped(1);
                audioChannels = QStringLiteral("-");
            } else if (line.startsWith(QLatin1String("Max channels: "))) {
                audioChannels = line.mid(14);
            } else if (line.startsWith(QLatin1String("Supported sample rates (kHz): "))) {
                flushAudio(line.mid(30));
            }
            continue;
        }
        if (section == QLatin1String("Color Characteristics")) {
            r.facts << QStringLiteral("chroma ") +
                           line.simplified().replace(QLatin1String(" :"), QLatin1String(":"));
            continue;
        }
        if (line.startsWith(QLatin1String("DPMS levels: "))) {
            for (const QString &level : line.mid(13).split(QLatin1Char(' '), Qt::SkipEmptyParts))
                r.facts << QStringLiteral("dpms=") + level.toLower();
            continue;
        }
        if (line == QLatin1String("Display is continuous frequency") ||
            line == QLatin1String("Default (sRGB) color space is primary color space")) {
            r.facts << line;
            continue;
        }
        if (section == QLatin1String("Speaker Allocation Data Block")) {
            r.facts << QStringLiteral("speaker=") + line.section(QLatin1Char(' '), 0, 0);
            continue;
        }
        if (section == QLatin1String("Colorimetry Data Block")) {
            if (!line.startsWith(QLatin1String("Reserved")))
                r.facts << QStringLiteral("colorimetry=") + line;
            continue;
        }
        if (section == QLatin1String("HDR Static Metadata Data Block")) {
            if (indent == 6)
                r.facts << QStringLiteral("hdr=") + line;
            static const QRegularExpression lum(QStringLiteral(
                R"(^Desired content (max|max frame-average|min) luminance: \d+ \(([\d.]+) cd/m\^2\))"));
            const QRegularExpressionMatch lm = lum.match(line);
            if (lm.hasMatch())
                r.facts << QStringLiteral("lum %1=%2").arg(lm.captured(1), lm.captured(2));
            continue;
        }
        static const QStringList flags{QStringLiteral("Digital display"),
                                       QStringLiteral("Analog display"),
                                       QStringLiteral("Underscans IT Video Formats by default"),
                                       QStringLiteral("Basic audio support"),
                                       QStringLiteral("Supports YCbCr 4:4:4"),
                                       QStringLiteral("Supports YCbCr 4:2:2"),
                                       QStringLiteral("Supports_AI"),
                                       QStringLiteral("DC_48bit"),
                                       QStringLiteral("DC_36bit"),
                                       QStringLiteral("DC_30bit"),
                                       QStringLiteral("DC_Y444"),
                                       QStringLiteral("SCDC Present"),
                                       QStringLiteral("Supports Auto Low-Latency Mode"),
                                       QStringLiteral("RGB color display"),
                                       QStringLiteral("Non-RGB color display"),
                                       QStringLiteral("Monochrome or grayscale display"),
                                       QStringLiteral("3D present")};
        if (flags.contains(line)) {
            r.facts << line;
            continue;
        }
        if (line.startsWith(QLatin1String("3D: "))) {
            QString f = line.mid(4).toLower();
            if (f.startsWith(QLatin1String("side-by-side (half")))
                f = QStringLiteral("side-by-side (half)");
            f.replace(QLatin1String("frame-packing"), QLatin1String("frame packing"));
            r.facts << QStringLiteral("3d=") + f;
            continue;
        }
        static const QRegularExpression dc420(
            QStringLiteral(R"(^Supports (\d+)-bits/component Deep Color 4:2:0 Pixel Encoding$)"));
        const QRegularExpressionMatch dm = dc420.match(line);
        if (dm.hasMatch()) {
            r.facts << QStringLiteral("DC_%1bit_420").arg(dm.captured(1).toInt() * 3);
            continue;
        }
        if (line.endsWith(QLatin1String(" interface")) && indent == 4) {
            r.facts << QStringLiteral("interface=") + line.chopped(10);
            continue;
        }
        const QRegularExpressionMatch vm = valueRe.match(line);
        if (!vm.hasMatch())
            continue;
        const QString key = vm.captured(1);
        const QString value = vm.captured(2);
        static const QHash<QString, QString> keys{
            {QStringLiteral("EDID Structure Version & Revision"), QStringLiteral("version")},
            {QStringLiteral("Manufacturer"), QStringLiteral("manufacturer")},
            {QStringLiteral("Model"), QStringLiteral("model")},
            {QStringLiteral("Serial Number"), QStringLiteral("serial")},
            {QStringLiteral("Made in"), QStringLiteral("made")},
            {QStringLiteral("Model year"), QStringLiteral("model year")},
            {QStringLiteral("Bits per primary color channel"), QStringLiteral("bits")},
            {QStringLiteral("Maximum image size"), QStringLiteral("size")},
            {QStringLiteral("Gamma"), QStringLiteral("gamma")},
            {QStringLiteral("Supported color formats"), QStringLiteral("color formats")},
            {QStringLiteral("Display Product Name"), QStringLiteral("name")},
            {QStringLiteral("Display Product Serial Number"), QStringLiteral("serial text")},
            {QStringLiteral("Alphanumeric Data String"), QStringLiteral("text")},
            {QStringLiteral("Native detailed modes"), QStringLiteral("native dtds")},
            {QStringLiteral("Source physical address"), QStringLiteral("physical address")},
            {QStringLiteral("Maximum TMDS clock"), QStringLiteral("max tmds")},
            {QStringLiteral("Maximum TMDS Character Rate"), QStringLiteral("hf max tmds")},
            {QStringLiteral("VRRmin"), QStringLiteral("vrr min")},
            {QStringLiteral("VRRmax"), QStringLiteral("vrr max")},
            {QStringLiteral("YCbCr quantization"), QStringLiteral("qy")},
            {QStringLiteral("RGB quantization"), QStringLiteral("qs")},
            {QStringLiteral("PT scan behavior"), QStringLiteral("pt")},
            {QStringLiteral("IT scan behavior"), QStringLiteral("it")},
            {QStringLiteral("CE scan behavior"), QStringLiteral("ce")},
        };
        if (key.startsWith(QLatin1String("Monitor ranges"))) {
            r.facts << QStringLiteral("range=") + value;
            continue;
        }
        if (key == QLatin1String("Max Fixed Rate Link")) {
            static const QRegularExpression gbps(QStringLiteral(R"((\d+) (?:and|Gbps|,))"));
            static const QRegularExpression lanes(QStringLiteral(R"(on (\d) lanes)"));
            int g = 0, l = 0;
            for (const QRegularExpressionMatch &m : gbps.globalMatch(value))
                g = std::max(g, m.captured(1).toInt());
            for (const QRegularExpressionMatch &m : lanes.globalMatch(value))
                l = std::max(l, m.captured(1).toInt());
            r.facts << QStringLiteral("frl=%1x%2").arg(l).arg(g);
            continue;
        }
        if (!keys.contains(key))
            continue;
        QString v = value;
        if (v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\'')))
            v = v.mid(1, v.size() - 2);
        if (key == QLatin1String("YCbCr quantization") || key == QLatin1String("RGB quantization"))
            v = v.startsWith(QLatin1String("Selectable")) ? QStringLiteral("selectable")
                                                          : QStringLiteral("no data");
        const QString k = keys.value(key);
        if (k == QLatin1String("pt") || k == QLatin1String("it") || k == QLatin1String("ce"))
            v = v.toLower();
        r.facts << k + QLatin1Char('=') + v;
    }
    return r;
}

QString KHzText(int hz) {
    QString s = QString::number(hz / 1000.0, 'f', 1);
    return s.endsWith(QLatin1String(".0")) ? s.chopped(2) : s;
}

// The decoder's result in the reference's terms.
QStringList OwnFacts(const EdidInfo &info) {
    QStringList f;
    f << QStringLiteral("version=%1.%2").arg(info.version).arg(info.revision);
    f << QStringLiteral("manufacturer=") + info.manufacturerId;
    f << QStringLiteral("model=%1").arg(info.productCode);
    if (info.serialNumber)
        f << QStringLiteral("serial=%1").arg(info.serialNumber);
    if (info.modelYear)
        f << QStringLiteral("model year=%1").arg(info.year);
    else if (info.week > 0)
        f << QStringLiteral("made=week %1 of %2").arg(info.week).arg(info.year);
    else
        f << QStringLiteral("made=%1").arg(info.year);
    f << (info.digital ? QStringLiteral("Digital display") : QStringLiteral("Analog display"));
    if (info.bitDepth > 0)
        f << QStringLiteral("bits=%1").arg(info.bitDepth);
    if (info.digital && !info.interface.isEmpty())
        f << QStringLiteral("interface=") + info.interface;
    if (info.widthCm && info.heightCm)
        f << QStringLiteral("size=%1 cm x %2 cm").arg(info.widthCm).arg(info.heightCm);
    if (info.gamma > 0)
        f << QStringLiteral("gamma=%1").arg(info.gamma, 0, 'f', 2);
    if (info.colorFormats.startsWith(QLatin1String("RGB 4:4:4")))
        f << QStringLiteral("color formats=") + info.colorFormats;
    else
        f << info.colorFormats;
    static const char *const colours[4] = {"Red", "Green", "Blue", "White"};
    for (int i = 0; i < 4; ++i) {
        f << QStringLiteral("chroma %1: %2, %3")
                 .arg(QLatin1String(colours[i]))
                 .arg(info.chroma[2 * i], 0, 'f', 4)
                 .arg(info.chroma[2 * i + 1], 0, 'f', 4);
    }
    for (const QString &feature : info.features) {
        if (feature.startsWith(QLatin1String("DPMS ")))
            f << QStringLiteral("dpms=") +
                     feature.mid(5).replace(QLatin1String("active-off"), QLatin1String("off"));
        else if (feature == QLatin1String("Continuous frequency"))
            f << QStringLiteral("Display is continuous frequency");
        else if (feature.startsWith(QLatin1String("sRGB")))
            f << QStringLiteral("Default (sRGB) color space is primary color space");
    }
    if (!info.displayName.isEmpty())
        f << QStringLiteral("name=") + info.displayName;
    if (!info.displaySerial.isEmpty())
        f << QStringLiteral("serial text=") + info.displaySerial;
    if (!info.dataString.isEmpty())
        f << QStringLiteral("text=") + info.dataString;
    if (info.hasRangeLimits) {
        const EdidRangeLimits &r = info.rangeLimits;
        f << QStringLiteral("range=%1-%2 Hz V, %3-%4 kHz H, max dotclock %5 MHz")
                 .arg(r.minVerticalHz)
                 .arg(r.maxVerticalHz)
                 .arg(r.minHorizontalKHz)
                 .arg(r.maxHorizontalKHz)
                 .arg(r.maxPixelClockMHz);
    }
    if (info.hasPreferredTiming) {
        const EdidTiming &p = info.preferredTiming;
        f << QStringLiteral("preferred=") +
                 TimingFact(p.hActive, p.vActive, p.interlaced, p.refreshHz);
    }
    for (const EdidTiming &t : info.timings) {
        if (t.source == QLatin1String("VIC") && t.native)
            f << QStringLiteral("native=VIC %1").arg(t.code);
    }
    if (info.hasCta) {
        if (info.underscan)
            f << QStringLiteral("Underscans IT Video Formats by default");
        if (info.basicAudio)
            f << QStringLiteral("Basic audio support");
        if (info.ycbcr444)
            f << QStringLiteral("Supports YCbCr 4:4:4");
        if (info.ycbcr422)
            f << QStringLiteral("Supports YCbCr 4:2:2");
        f << QStringLiteral("native dtds=%1").arg(info.nativeDtds);
    }
    for (const EdidAudioFormat &a : info.audioFormats) {
        QStringList rates;
        for (int i = int(a.sampleRatesHz.size()) - 1; i >= 0; --i)
            rates << KHzText(a.sampleRatesHz[i]);
        f << QStringLiteral("audio=%1:%2:%3")
                 .arg(a.name,
                      a.maxChannels > 0 ? QString::number(a.maxChannels) : QStringLiteral("-"),
                      rates.join(QLatin1Char(' ')));
    }
    for (const QString &s : info.speakers)
        f << QStringLiteral("speaker=") + s;
    for (const QString &c : info.colorimetry)
        f << QStringLiteral("colorimetry=") + c;
    for (const QString &e : info.hdr.eotfs)
        f << QStringLiteral("hdr=") + e;
    if (info.hdr.staticType1)
        f << QStringLiteral("hdr=Static metadata type 1");
    if (info.hdr.maxLuminance > 0)
        f << QStringLiteral("lum max=%1").arg(info.hdr.maxLuminance, 0, 'f', 3);
    if (info.hdr.maxFrameAverageLuminance > 0)
        f << QStringLiteral("lum max frame-average=%1")
                 .arg(info.hdr.maxFrameAverageLuminance, 0, 'f', 3);
    if (info.hdr.hasMinLuminance)
        f << QStringLiteral("lum min=%1").arg(info.hdr.minLuminance, 0, 'f', 3);
    const EdidVideoCapability &v = info.videoCapability;
    if (v.present) {
        f << QStringLiteral("qy=%1").arg(v.quantizationYcc ? QStringLiteral("selectable")
                                                           : QStringLiteral("no data"));
        f << QStringLiteral("qs=%1").arg(v.quantizationRgb ? QStringLiteral("selectable")
                                                           : QStringLiteral("no data"));
        f << QStringLiteral("pt=") + v.pt.toLower() << QStringLiteral("it=") + v.it.toLower()
          << QStringLiteral("ce=") + v.ce.toLower();
    }
    const EdidHdmiBlock &h = info.hdmi;
    if (h.present) {
        f << QStringLiteral("physical address=") + h.physicalAddressText;
        if (h.supportsAi)
            f << QStringLiteral("Supports_AI");
        f << h.deepColor;
        if (h.maxTmdsClockMHz)
            f << QStringLiteral("max tmds=%1 MHz").arg(h.maxTmdsClockMHz);
        if (h.threeD)
            f << QStringLiteral("3D present");
        for (const QString &s : h.threeDFormats)
            f << QStringLiteral("3d=") + s;
    }
    const EdidHdmiForumBlock &hf = info.hdmiForum;
    if (hf.present) {
        if (hf.maxTmdsCharacterRateMHz)
            f << QStringLiteral("hf max tmds=%1 MHz").arg(hf.maxTmdsCharacterRateMHz);
        if (hf.scdc)
            f << QStringLiteral("SCDC Present");
        if (hf.frlLanes)
            f << QStringLiteral("frl=%1x%2").arg(hf.frlLanes).arg(hf.frlGbpsPerLane);
        f << hf.deepColor420;
        if (hf.allm)
            f << QStringLiteral("Supports Auto Low-Latency Mode");
        if (hf.vrrMinHz)
            f << QStringLiteral("vrr min=%1 Hz").arg(hf.vrrMinHz);
        if (hf.vrrMaxHz)
            f << QStringLiteral("vrr max=%1 Hz").arg(hf.vrrMaxHz);
    }
    return f;
}

struct TimingMatch {
    int found = 0;
    QStringList wrong;   // same numbered source, other values
    QStringList missing; // listed by the reference, not found
    QStringList extra;   // found here, not listed by the reference
};

QString RefText(const RefTiming &r) {
    return r.label + QLatin1Char(' ') + TimingFact(r.h, r.v, r.interlaced, r.hz);
}

TimingMatch MatchTimings(const QList<RefTiming> &ref, const QList<EdidTiming> &own) {
    TimingMatch m;
    QList<bool> used(own.size(), false);
    auto same = [](const RefTiming &r, const EdidTiming &t) {
        // The reference prints six decimals; a rate only written as a whole
        // number in a standard timing is compared to 0.5 %.
        const double tolerance = t.nominal ? r.hz * 0.005 : 5e-6 + 1e-9 * r.hz;
        return r.h == t.hActive && r.v == t.vActive && r.interlaced == t.interlaced &&
               std::fabs(r.hz - t.refreshHz) <= tolerance;
    };
    for (const RefTiming &r : ref) {
        int hit = -1, sameLabel = -1;
        for (int i = 0; i < own.size(); ++i) {
            if (used[i] || Label(own[i]) != r.label)
                continue;
            if (sameLabel < 0)
                sameLabel = i;
            if (same(r, own[i])) {
                hit = i;
                break;
            }
        }
        const bool numbered = r.label.contains(QRegularExpression(QStringLiteral("\\d$")));
        if (hit >= 0) {
            used[hit] = true;
            ++m.found;
        } else if (numbered && sameLabel >= 0) {
            used[sameLabel] = true;
            const EdidTiming &t = own[sameLabel];
            m.wrong << RefText(r) + QStringLiteral(" given as ") +
                           TimingFact(t.hActive, t.vActive, t.interlaced, t.refreshHz);
        } else {
            m.missing << RefText(r);
        }
    }
    for (int i = 0; i < own.size(); ++i) {
        if (!used[i])
            m.extra << Label(own[i]) + QLatin1Char(' ') +
                           TimingFact(own[i].hActive, own[i].vActive, own[i].interlaced,
                                      own[i].refreshHz);
    }
    return m;
}

struct Written {
    const char *file;
    const char *timings; // "label;h;v;i;hz" joined by '|'
    const char *facts;   // joined by '|'
};

#include "EdidReferenceTable.inc"

QStringList SampleFiles() {
    return QDir(samples::edidDir())
        .entryList(QStringList{QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
}

RefFacts FromWritten(const Written &w) {
    RefFacts r;
    for (const QString &t :
         QString::fromUtf8(w.timings).split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        const QStringList f = t.split(QLatin1Char(';'));
        if (f.size() != 5)
            continue;
        r.timings << RefTiming{f[0], f[1].toInt(), f[2].toInt(), f[3] == QLatin1String("i"),
                               f[4].toDouble()};
    }
    r.facts = QString::fromUtf8(w.facts).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    return r;
}

const Written *WrittenFor(const QString &file) {
    for (const Written &w : WrittenReference) {
        if (file == QLatin1String(w.file))
            return &w;
    }
    return nullptr;
}

struct Totals {
    int reference = 0;
    int found = 0;
    int wrong = 0;
};

// Compares one sample; QTest failures name the sample and the field.
void CompareSample(const QString &file, const RefFacts &ref, Totals &totals) {
    const EdidInfo info = DecodeEdid(samples::readEdid(file));
    const TimingMatch m = MatchTimings(ref.timings, info.timings);
    totals.reference += int(ref.timings.size());
    totals.found += m.found;
    totals.wrong += int(m.wrong.size());
    QVERIFY2(m.wrong.isEmpty(), qPrintable(file + QStringLiteral(": wrong timings: ") +
                                           m.wrong.join(QStringLiteral(", "))));
    QVERIFY2(m.missing.isEmpty(), qPrintable(file + QStringLiteral(": missing timings: ") +
                                             m.missing.join(QStringLiteral(", "))));
    QVERIFY2(m.extra.isEmpty(), qPrintable(file +
                                           QStringLiteral(": timings the reference does "
                                                          "not list: ") +
                                           m.extra.join(QStringLiteral(", "))));

    QStringList expected = ref.facts;
    QStringList own = OwnFacts(info);
    expected.sort();
    own.sort();
    QStringList onlyRef, onlyOwn;
    for (const QString &f : expected) {
        if (!own.contains(f))
            onlyRef << f;
    }
    for (const QString &f : own) {
        if (!expected.contains(f))
            onlyOwn << f;
    }
    QVERIFY2(onlyRef.isEmpty() && onlyOwn.isEmpty(),
             qPrintable(file + QStringLiteral(": reference only: [") +
                        onlyRef.join(QStringLiteral("; ")) + QStringLiteral("] decoder only: [") +
                        onlyOwn.join(QStringLiteral("; ")) + QLatin1Char(']')));
}

} // namespace

class TestEdidReference : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void writtenExpectations();
    void liveReference();
    void liveReferenceOnBuiltEdids();
    void matcherCatchesWrongTimings();

private:
    QString edidDecode;
};

void TestEdidReference::initTestCase() {
    REQUIRE_SAMPLE_EDIDS();
    edidDecode = QStandardPaths::findExecutable(QStringLiteral("edid-decode"));
    QCOMPARE(SampleFiles().size(), 10);
}

void TestEdidReference::writtenExpectations() {
    Totals totals;
    for (const QString &file : SampleFiles()) {
        const Written *w = WrittenFor(file);
        QVERIFY2(w, qPrintable(file + QStringLiteral(" has no written expectations")));
        CompareSample(file, FromWritten(*w), totals);
    }
    qInfo("written reference: %d timings, %d in timings, %d wrong", totals.reference, totals.found,
          totals.wrong);
    QVERIFY(totals.reference > 300);
}

void TestEdidReference::liveReference() {
    if (edidDecode.isEmpty())
        QSKIP("edid-decode is not installed (scripts/deps.sh installs it)");
    const bool dump = qEnvironmentVariableIsSet("EDID_REFERENCE_DUMP");
    Totals totals;
    for (const QString &file : SampleFiles()) {
        QProcess p;
        p.start(edidDecode, {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("-p"),
                             samples::edidPath(file)});
        QVERIFY(p.waitForFinished(30000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("Block 0, Base EDID")), qPrintable(file));
        const RefFacts ref = ParseEdidDecode(out);
        if (dump) {
            QStringList t;
            for (const RefTiming &r : ref.timings) {
                t << QStringLiteral("%1;%2;%3;%4;%5")
                         .arg(r.label)
                         .arg(r.h)
                         .arg(r.v)
                         .arg(r.interlaced ? QStringLiteral("i") : QStringLiteral("p"))
                         .arg(r.hz, 0, 'f', 6);
            }
            auto quoted = [](const QString &s) {
                QString q = s;
                q.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
                q.replace(QLatin1Char('"'), QStringLiteral("\\\""));
                return QStringLiteral("\"") + q + QStringLiteral("\"");
            };
            printf("    {%s,\n     %s,\n     %s},\n", qPrintable(quoted(file)),
                   qPrintable(quoted(t.join(QLatin1Char('|')))),
                   qPrintable(quoted(ref.facts.join(QLatin1Char('|')))));
        }
        CompareSample(file, ref, totals);
    }
    qInfo("edid-decode: %d timings, %d in timings, %d wrong", totals.reference, totals.found,
          totals.wrong);
    QCOMPARE(totals.found, totals.reference);
}

namespace {

void FixBase(QByteArray &b) {
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i)
        sum += uchar(b[i]);
    b[127] = char((0u - sum) & 0xFF);
}

// Timing sources no sample holds, on the DVI monitor's base block: EDID 1.4
// with established timings III and CVT 3-byte codes (both blanking kinds),
// and standard timings no DMT names.
QList<QByteArray> BuiltEdids() {
    QList<QByteArray> out;
    QByteArray b = samples::readEdid(QStringLiteral("dell-3007wfp-dvi.bin"));
    b[19] = 4;
    const QByteArray est3 = QByteArray::fromHex("000000F7000A80080000000000000000000000");
    const QByteArray cvt = QByteArray::fromHex("000000F8000157283F57201FFF220F000000");
    for (int i = 0; i < 18; ++i) {
        b[90 + i] = est3[i];
        b[108 + i] = cvt[i];
    }
    FixBase(b);
    out << b;
    const QByteArray std = QByteArray::fromHex("7140A9C0818A");
    for (int i = 0; i < std.size(); ++i)
        b[0x26 + i] = std[i];
    FixBase(b);
    out << b;
    b[19] = 3;
    FixBase(b);
    out << b;
    return out;
}

} // namespace

void TestEdidReference::liveReferenceOnBuiltEdids() {
    if (edidDecode.isEmpty())
        QSKIP("edid-decode is not installed (scripts/deps.sh installs it)");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    int n = 0, timings = 0;
    for (const QByteArray &edid : BuiltEdids()) {
        const QString path = dir.filePath(QStringLiteral("built%1.bin").arg(++n));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(edid);
        f.close();
        QProcess p;
        p.start(edidDecode,
                {QStringLiteral("-s"), QStringLiteral("-S"), QStringLiteral("-p"), path});
        QVERIFY(p.waitForFinished(30000));
        const RefFacts ref = ParseEdidDecode(QString::fromUtf8(p.readAllStandardOutput()));
        const TimingMatch m = MatchTimings(ref.timings, DecodeEdid(edid).timings);
        QVERIFY2(m.wrong.isEmpty() && m.missing.isEmpty() && m.extra.isEmpty(),
                 qPrintable(QStringLiteral("built EDID %1: wrong [%2] missing [%3] extra [%4]")
                                .arg(n)
                                .arg(m.wrong.join(QStringLiteral(", ")),
                                     m.missing.join(QStringLiteral(", ")),
                                     m.extra.join(QStringLiteral(", ")))));
        timings += m.found;
    }
    QVERIFY(timings >= 3 * 15);
}

void TestEdidReference::matcherCatchesWrongTimings() {
    // The comparison itself: a rate off by a little, a VIC with another
    // size, a timing left out and one too many are each reported.
    QList<RefTiming> ref{{QStringLiteral("VIC 16"), 1920, 1080, false, 60.0},
                         {QStringLiteral("DTD 1"), 3840, 2160, false, 59.996625},
                         {QStringLiteral("Standard"), 1280, 1024, false, 60.019740}};
    QList<EdidTiming> own(3);
    own[0].source = QStringLiteral("VIC");
    own[0].code = 16;
    own[0].hActive = 1920;
    own[0].vActive = 1080;
    own[0].refreshHz = 60.0;
    own[1].source = QStringLiteral("DTD");
    own[1].code = 1;
    own[1].hActive = 3840;
    own[1].vActive = 2160;
    own[1].refreshHz = 60.0; // off by 0.003 Hz
    own[2].source = QStringLiteral("Established");
    own[2].hActive = 640;
    own[2].vActive = 480;
    own[2].refreshHz = 59.940476;
    const TimingMatch m = MatchTimings(ref, own);
    QCOMPARE(m.found, 1);
    QCOMPARE(m.wrong.size(), 1);
    QVERIFY(m.wrong.first().startsWith(QStringLiteral("DTD 1")));
    QCOMPARE(m.missing.size(), 1);
    QVERIFY(m.missing.first().startsWith(QStringLiteral("Standard")));
    QCOMPARE(m.extra.size(), 1);
}

QTEST_GUILESS_MAIN(TestEdidReference)
#include "tst_edidreference.moc"
