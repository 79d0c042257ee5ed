#include "control/EdidView.h"

#include <QHash>

namespace {

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

QString RatesText(const QList<int> &ratesHz) {
    QStringList parts;
    for (int r : ratesHz)
        parts << Trimmed(r / 1000.0, 1);
    return parts.join(QLatin1Char('/')) + QStringLiteral(" kHz");
}

QString Numbers(const QList<int> &values, QLatin1Char sep) {
    QStringList parts;
    for (int v : values)
        parts << QString::number(v);
    return parts.join(sep);
}

// "DTD 1", "VIC 97", "Established", "DisplayID type I" ...
QString SourceText(const EdidTiming &t) {
    if (t.source == QLatin1String("DTD") || t.source == QLatin1String("VIC") ||
        t.source == QLatin1String("HDMI VIC"))
        return QStringLiteral("%1 %2").arg(t.source).arg(t.code);
    return t.source;
}

QString TimingLine(const EdidTiming &t) {
    QString line = SourceText(t) + QStringLiteral(": ") + EdidTimingText(t);
    if (!t.aspect.isEmpty() && t.source == QLatin1String("VIC"))
        line += QLatin1Char(' ') + t.aspect;
    if (t.pixelClockKHz > 0 && t.source != QLatin1String("VIC") &&
        t.source != QLatin1String("HDMI VIC"))
        line += QStringLiteral(", %1 MHz").arg(Trimmed(t.pixelClockKHz / 1000.0, 3));
    if (t.nominal)
        line += QStringLiteral(" (nominal rate)");
    if (t.native)
        line += QStringLiteral(" (native)");
    if (t.preferred)
        line += QStringLiteral(" (preferred)");
    if (t.ycbcr420Only)
        line += QStringLiteral(" (4:2:0 only)");
    if (t.ycbcr420Also)
        line += QStringLiteral(" (4:2:0 also)");
    return line;
}

QString LatencyText(int ms) {
    if (ms == -2)
        return QStringLiteral("not supported");
    if (ms == 0)
        return QStringLiteral("unknown");
    return QStringLiteral("%1 ms").arg(ms);
}

QString FrlText(int lanes, int gbps) {
    return QStringLiteral("%1 lanes x %2 Gbps (%3 Gbps)").arg(lanes).arg(gbps).arg(lanes * gbps);
}

QString OnOff(bool v) {
    return v ? QStringLiteral("yes") : QStringLiteral("no");
}

EdidViewSection Summary(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("summary");
    s.title = info.hasPreferredTiming
                  ? QStringLiteral("Preferred mode: %1 (%2)")
                        .arg(EdidTimingText(info.preferredTiming), SourceText(info.preferredTiming))
                  : QStringLiteral("Preferred mode: none declared");
    for (const EdidTiming &t : info.timings) {
        if (t.native)
            s.lines << QStringLiteral("Native: %1 (%2)").arg(EdidTimingText(t), SourceText(t));
    }
    for (const EdidTiming &t : info.timings) {
        if (t.source.startsWith(QLatin1String("DisplayID")) && t.preferred)
            s.lines << QStringLiteral("DisplayID preferred: %1").arg(EdidTimingText(t));
    }
    QStringList only, also;
    for (const EdidTiming &t : info.timings) {
        if (t.ycbcr420Only)
            only << QStringLiteral("%1 (VIC %2)").arg(EdidTimingText(t)).arg(t.code);
        if (t.ycbcr420Also)
            also << QStringLiteral("%1 (VIC %2)").arg(EdidTimingText(t)).arg(t.code);
    }
    for (const QString &m : only)
        s.lines << QStringLiteral("4:2:0 only: ") + m;
    for (const QString &m : also)
        s.lines << QStringLiteral("4:2:0 also: ") + m;
    if (info.hasCta) {
        QStringList hdr;
        for (const QString &e : info.hdr.eotfs) {
            if (!e.startsWith(QLatin1String("Traditional gamma - SDR")))
                hdr << e;
        }
        s.lines << QStringLiteral("HDR: %1").arg(hdr.isEmpty() ? QStringLiteral("none")
                                                               : hdr.join(QStringLiteral(", ")));
        const int tmds = EdidMaxTmdsMHz(info);
        s.lines << (tmds > 0 ? QStringLiteral("Max TMDS: %1 MHz").arg(tmds)
                             : QStringLiteral("Max TMDS: not declared"));
        s.lines << (info.hdmiForum.frlLanes > 0
                        ? QStringLiteral("FRL: ") +
                              FrlText(info.hdmiForum.frlLanes, info.hdmiForum.frlGbpsPerLane)
                        : QStringLiteral("FRL: none"));
    }
    return s;
}

EdidViewSection Display(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("display");
    s.title = QStringLiteral("Display");
    if (!info.baseDecoded)
        return s;
    s.lines << QStringLiteral("Name: %1")
                   .arg(info.displayName.isEmpty() ? QStringLiteral("(none)") : info.displayName);
    s.lines << QStringLiteral("Maker: %1, product code %2 (0x%3)")
                   .arg(info.manufacturerId)
                   .arg(info.productCode)
                   .arg(QString::number(info.productCode, 16)
                            .toUpper()
                            .rightJustified(4, QLatin1Char('0')));
    if (info.serialNumber != 0)
        s.lines << QStringLiteral("Serial number: %1").arg(info.serialNumber);
    if (!info.displaySerial.isEmpty())
        s.lines << QStringLiteral("Serial text: %1").arg(info.displaySerial);
    if (!info.dataString.isEmpty())
        s.lines << QStringLiteral("Text: %1").arg(info.dataString);
    if (info.modelYear)
        s.lines << QStringLiteral("Model year %1").arg(info.year);
    else if (info.week >= 1 && info.week <= 54)
        s.lines << QStringLiteral("Made in week %1 of %2").arg(info.week).arg(info.year);
    else
        s.lines << QStringLiteral("Made in %1").arg(info.year);
    QString version = QStringLiteral("EDID %1.%2").arg(info.version).arg(info.revision);
    if (!info.blocks.isEmpty() && info.blocks.first().complete) {
        version += info.extensionCount == 1
                       ? QStringLiteral(", 1 extension block")
                       : QStringLiteral(", %1 extension blocks").arg(info.extensionCount);
    }
    s.lines << version;
    if (!info.hasDisplayParameters)
        return s;
    QString input =
        info.digital ? QStringLiteral("Input: digital") : QStringLiteral("Input: analogue");
    if (info.bitDepth > 0)
        input += QStringLiteral(", %1 bits per primary colour").arg(info.bitDepth);
    if (!info.interface.isEmpty())
        input += QStringLiteral(", ") + info.interface;
    s.lines << input;
    if (info.widthCm > 0 && info.heightCm > 0)
        s.lines << QStringLiteral("Size: %1 cm x %2 cm").arg(info.widthCm).arg(info.heightCm);
    else
        s.lines << QStringLiteral("Size: not given");
    s.lines << (info.gamma > 0 ? QStringLiteral("Gamma: %1").arg(info.gamma, 0, 'f', 2)
                               : QStringLiteral("Gamma: given in an extension block"));
    s.lines << QStringLiteral("Colour: %1").arg(info.colorFormats);
    for (const QString &f : info.features)
        s.lines << f;
    if (info.hasRangeLimits) {
        const EdidRangeLimits &r = info.rangeLimits;
        QString text = QStringLiteral("Range limits: %1-%2 Hz V, %3-%4 kHz H")
                           .arg(r.minVerticalHz)
                           .arg(r.maxVerticalHz)
                           .arg(r.minHorizontalKHz)
                           .arg(r.maxHorizontalKHz);
        if (r.maxPixelClockMHz > 0)
            text += QStringLiteral(", max pixel clock %1 MHz").arg(r.maxPixelClockMHz);
        text += QStringLiteral(" (%1)").arg(r.kind);
        s.lines << text;
    }
    const double *c = info.chroma;
    s.lines << QStringLiteral("Chromaticity: red %1, %2; green %3, %4; blue %5, %6; white %7, %8")
                   .arg(c[0], 0, 'f', 4)
                   .arg(c[1], 0, 'f', 4)
                   .arg(c[2], 0, 'f', 4)
                   .arg(c[3], 0, 'f', 4)
                   .arg(c[4], 0, 'f', 4)
                   .arg(c[5], 0, 'f', 4)
                   .arg(c[6], 0, 'f', 4)
                   .arg(c[7], 0, 'f', 4);
    return s;
}

EdidViewSection Timings(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("timings");
    s.title = QStringLiteral("Timings (%1)").arg(info.timings.size());
    for (const EdidTiming &t : info.timings)
        s.lines << TimingLine(t);
    for (const EdidVideoMode &m : info.videoModes) {
        if (!m.known)
            s.lines << QStringLiteral("VIC %1: unknown").arg(m.vic);
    }
    return s;
}

EdidViewSection Cta(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("cta");
    s.title = QStringLiteral("CTA-861 revision %1").arg(info.ctaRevision);
    if (info.underscan)
        s.lines << QStringLiteral("Underscans IT video formats by default");
    s.lines << QStringLiteral("Basic audio: %1").arg(OnOff(info.basicAudio));
    s.lines << QStringLiteral("YCbCr 4:4:4: %1, YCbCr 4:2:2: %2")
                   .arg(OnOff(info.ycbcr444), OnOff(info.ycbcr422));
    s.lines << QStringLiteral("Native detailed timings: %1").arg(info.nativeDtds);
    for (const QString &b : info.ctaDataBlocks)
        s.lines << QStringLiteral("Data block: ") + b;
    const EdidVideoCapability &v = info.videoCapability;
    if (v.present) {
        s.lines << QStringLiteral("YCbCr quantization: %1")
                       .arg(v.quantizationYcc ? QStringLiteral("selectable")
                                              : QStringLiteral("no data"));
        s.lines << QStringLiteral("RGB quantization: %1")
                       .arg(v.quantizationRgb ? QStringLiteral("selectable")
                                              : QStringLiteral("no data"));
        s.lines << QStringLiteral("PT scan: %1").arg(v.pt);
        s.lines << QStringLiteral("IT scan: %1").arg(v.it);
        s.lines << QStringLiteral("CE scan: %1").arg(v.ce);
    }
    if (info.hasColorimetry) {
        s.lines << QStringLiteral("Colorimetry: %1")
                       .arg(info.colorimetry.isEmpty()
                                ? QStringLiteral("(none)")
                                : info.colorimetry.join(QStringLiteral(", ")));
    }
    return s;
}

EdidViewSection Audio(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("audio");
    s.title = QStringLiteral("Audio");
    for (const EdidAudioFormat &a : info.audioFormats) {
        QString line = a.name + QStringLiteral(": ");
        QStringList parts;
        if (a.maxChannels > 0)
            parts << QStringLiteral("%1 ch").arg(a.maxChannels);
        if (!a.detail.isEmpty())
            parts << a.detail;
        parts << RatesText(a.sampleRatesHz);
        if (!a.bitDepths.isEmpty())
            parts << QStringLiteral("%1 bit").arg(Numbers(a.bitDepths, QLatin1Char('/')));
        if (a.maxBitrateKbps > 0)
            parts << QStringLiteral("max %1 kbit/s").arg(a.maxBitrateKbps);
        s.lines << line + parts.join(QStringLiteral(", "));
    }
    if (info.hasSpeakerAllocation) {
        s.lines << QStringLiteral("Speakers: %1")
                       .arg(info.speakers.isEmpty() ? QStringLiteral("(none)")
                                                    : info.speakers.join(QStringLiteral(", ")));
    }
    return s;
}

EdidViewSection Hdmi(const EdidInfo &info) {
    const EdidHdmiBlock &h = info.hdmi;
    EdidViewSection s;
    s.key = QStringLiteral("hdmi");
    s.title = QStringLiteral("HDMI 1.4 block");
    s.lines << QStringLiteral("Physical address: %1").arg(h.physicalAddressText);
    s.lines << QStringLiteral("Deep colour: %1")
                   .arg(h.deepColor.isEmpty() ? QStringLiteral("none")
                                              : h.deepColor.join(QStringLiteral(", ")));
    if (h.supportsAi)
        s.lines << QStringLiteral("Supports_AI");
    if (h.dviDual)
        s.lines << QStringLiteral("DVI dual link");
    s.lines << (h.maxTmdsClockMHz > 0
                    ? QStringLiteral("Max TMDS clock: %1 MHz").arg(h.maxTmdsClockMHz)
                    : QStringLiteral("Max TMDS clock: not given"));
    if (h.videoLatencyMs != -1) {
        s.lines << QStringLiteral("Latency: video %1, audio %2")
                       .arg(LatencyText(h.videoLatencyMs), LatencyText(h.audioLatencyMs));
    }
    if (h.interlacedVideoLatencyMs != -1) {
        s.lines << QStringLiteral("Interlaced latency: video %1, audio %2")
                       .arg(LatencyText(h.interlacedVideoLatencyMs),
                            LatencyText(h.interlacedAudioLatencyMs));
    }
    s.lines << QStringLiteral("3D: %1").arg(h.threeDFormats.isEmpty()
                                                ? QStringLiteral("no")
                                                : h.threeDFormats.join(QStringLiteral(", ")));
    if (!h.hdmiVics.isEmpty())
        s.lines << QStringLiteral("HDMI VICs: %1").arg(Numbers(h.hdmiVics, QLatin1Char(' ')));
    return s;
}

EdidViewSection HdmiForum(const EdidInfo &info) {
    const EdidHdmiForumBlock &h = info.hdmiForum;
    EdidViewSection s;
    s.key = QStringLiteral("hdmiForum");
    s.title = QStringLiteral("HDMI Forum");
    s.lines << QStringLiteral("Version: %1").arg(h.version);
    s.lines
        << (h.maxTmdsCharacterRateMHz > 0
                ? QStringLiteral("Max TMDS character rate: %1 MHz").arg(h.maxTmdsCharacterRateMHz)
                : QStringLiteral("Max TMDS character rate: 340 MHz or less"));
    s.lines << QStringLiteral("SCDC: %1").arg(OnOff(h.scdc));
    s.lines << (h.frlLanes > 0 ? QStringLiteral("Max FRL: ") + FrlText(h.frlLanes, h.frlGbpsPerLane)
                               : QStringLiteral("Max FRL: none"));
    if (!h.deepColor420.isEmpty())
        s.lines << QStringLiteral("Deep colour 4:2:0: %1")
                       .arg(h.deepColor420.join(QStringLiteral(", ")));
    s.lines << QStringLiteral("ALLM: %1").arg(OnOff(h.allm));
    if (h.vrrMinHz > 0 || h.vrrMaxHz > 0)
        s.lines << QStringLiteral("VRR: %1-%2 Hz").arg(h.vrrMinHz).arg(h.vrrMaxHz);
    else
        s.lines << QStringLiteral("VRR: no");
    if (h.mDelta)
        s.lines << QStringLiteral("M_delta");
    if (h.qms)
        s.lines << QStringLiteral("QMS");
    if (h.dsc) {
        QString dsc = QStringLiteral("DSC 1.2");
        if (!h.dscDepths.isEmpty())
            dsc += QStringLiteral(", ") + h.dscDepths.join(QStringLiteral(", "));
        if (h.dscNative420)
            dsc += QStringLiteral(", native 4:2:0");
        if (h.dscAllBpp)
            dsc += QStringLiteral(", all bpp");
        if (h.dscFrlLanes > 0)
            dsc += QStringLiteral(", max FRL ") + FrlText(h.dscFrlLanes, h.dscFrlGbpsPerLane);
        s.lines << dsc;
    } else {
        s.lines << QStringLiteral("DSC: no");
    }
    return s;
}

EdidViewSection Hdr(const EdidInfo &info) {
    const EdidHdrStatic &h = info.hdr;
    EdidViewSection s;
    s.key = QStringLiteral("hdr");
    s.title = QStringLiteral("HDR static metadata");
    for (const QString &e : h.eotfs)
        s.lines << QStringLiteral("EOTF: ") + e;
    if (h.staticType1)
        s.lines << QStringLiteral("Static metadata type 1");
    if (h.maxLuminance > 0)
        s.lines << QStringLiteral("Max luminance: %1 cd/m^2").arg(h.maxLuminance, 0, 'f', 3);
    if (h.maxFrameAverageLuminance > 0) {
        s.lines << QStringLiteral("Max frame-average luminance: %1 cd/m^2")
                       .arg(h.maxFrameAverageLuminance, 0, 'f', 3);
    }
    if (h.hasMinLuminance)
        s.lines << QStringLiteral("Min luminance: %1 cd/m^2").arg(h.minLuminance, 0, 'f', 3);
    return s;
}

EdidViewSection Blocks(const EdidInfo &info) {
    EdidViewSection s;
    s.key = QStringLiteral("blocks");
    s.title = QStringLiteral("Blocks");
    for (const EdidBlockInfo &block : info.blocks) {
        s.lines << QStringLiteral("Block %1 (%2): %3")
                       .arg(block.index)
                       .arg(block.kind)
                       .arg(!block.complete       ? QStringLiteral("INCOMPLETE")
                            : block.checksumValid ? QStringLiteral("checksum valid")
                                                  : QStringLiteral("checksum INVALID"));
    }
    return s;
}

} // namespace

QString EdidTimingText(const EdidTiming &t) {
    return QStringLiteral("%1x%2%3 @ %4 Hz")
        .arg(t.hActive)
        .arg(t.vActive)
        .arg(t.interlaced ? QStringLiteral("i") : QString())
        .arg(Trimmed(t.refreshHz, 2));
}

QList<EdidViewSection> EdidViewSections(const EdidInfo &info) {
    QList<EdidViewSection> sections;
    if (info.baseDecoded) {
        sections << Summary(info) << Display(info);
        sections << Timings(info);
    }
    if (info.hasCta) {
        sections << Cta(info);
        if (!info.audioFormats.isEmpty() || info.hasSpeakerAllocation)
            sections << Audio(info);
        if (info.hdmi.present)
            sections << Hdmi(info);
        if (info.hdmiForum.present)
            sections << HdmiForum(info);
        if (info.hdr.present)
            sections << Hdr(info);
    }
    if (info.hasDisplayId) {
        EdidViewSection s;
        s.key = QStringLiteral("displayid");
        s.title = QStringLiteral("DisplayID %1.%2")
                      .arg(info.displayIdVersion >> 4)
                      .arg(info.displayIdVersion & 0x0F);
        int count = 0;
        for (const EdidTiming &t : info.timings)
            count += t.source.startsWith(QLatin1String("DisplayID")) ? 1 : 0;
        s.lines << QStringLiteral("Detailed timings: %1").arg(count);
        sections << s;
    }
    sections << Blocks(info);
    if (!info.failures.isEmpty()) {
        EdidViewSection s{QStringLiteral("failures"),
                          QStringLiteral("Failures (%1)").arg(info.failures.size()), info.failures};
        sections << s;
    }
    if (!info.warnings.isEmpty()) {
        EdidViewSection s{QStringLiteral("warnings"),
                          QStringLiteral("Warnings (%1)").arg(info.warnings.size()), info.warnings};
        sections << s;
    }
    return sections;
}

QString FormatEdidInfo(const EdidInfo &info) {
    QStringList out;
    for (const EdidViewSection &s : EdidViewSections(info)) {
        out << s.title;
        for (const QString &line : s.lines)
            out << QStringLiteral("  ") + line;
    }
    return out.join(QLatin1Char('\n'));
}

namespace {

void MarkSide(const QList<EdidViewSection> &mine, const QList<EdidViewSection> &other,
              QList<EdidViewComparison::Row> &rows, int &differences) {
    QHash<QString, const EdidViewSection *> byKey;
    for (const EdidViewSection &s : other)
        byKey.insert(s.key, &s);
    for (const EdidViewSection &s : mine) {
        const EdidViewSection *o = byKey.value(s.key, nullptr);
        EdidViewComparison::Row head{s.title, true, !o || o->title != s.title};
        differences += head.differs ? 1 : 0;
        rows << head;
        // Lines are matched as a multiset: a line repeated twice here and
        // once there marks one of the two.
        QHash<QString, int> left;
        if (o) {
            for (const QString &line : o->lines)
                ++left[line];
        }
        for (const QString &line : s.lines) {
            EdidViewComparison::Row row{line, false, true};
            auto it = left.find(line);
            if (it != left.end() && it.value() > 0) {
                --it.value();
                row.differs = false;
            }
            differences += row.differs ? 1 : 0;
            rows << row;
        }
    }
}

} // namespace

EdidViewComparison CompareEdidViews(const EdidInfo &left, const EdidInfo &right) {
    const QList<EdidViewSection> a = EdidViewSections(left);
    const QList<EdidViewSection> b = EdidViewSections(right);
    EdidViewComparison c;
    MarkSide(a, b, c.left, c.differences);
    MarkSide(b, a, c.right, c.differences);
    return c;
}
