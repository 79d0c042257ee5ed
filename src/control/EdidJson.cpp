#include "control/EdidJson.h"

#include <QJsonArray>

namespace {

QJsonObject TimingJson(const EdidTiming &t) {
    QJsonObject o{{QStringLiteral("hActive"), t.hActive},
                  {QStringLiteral("vActive"), t.vActive},
                  {QStringLiteral("refreshHz"), t.refreshHz},
                  {QStringLiteral("interlaced"), t.interlaced},
                  {QStringLiteral("source"), t.source}};
    if (t.code > 0) {
        const QString key = t.source == QLatin1String("DTD")        ? QStringLiteral("dtd")
                            : t.source == QLatin1String("VIC")      ? QStringLiteral("vic")
                            : t.source == QLatin1String("HDMI VIC") ? QStringLiteral("hdmiVic")
                                                                    : QStringLiteral("dmt");
        o.insert(key, t.code);
    }
    if (t.pixelClockKHz > 0)
        o.insert(QStringLiteral("pixelClockKHz"), t.pixelClockKHz);
    if (!t.aspect.isEmpty())
        o.insert(QStringLiteral("aspect"), t.aspect);
    o.insert(QStringLiteral("block"), t.block);
    if (t.native)
        o.insert(QStringLiteral("native"), true);
    if (t.preferred)
        o.insert(QStringLiteral("preferred"), true);
    if (t.ycbcr420Only)
        o.insert(QStringLiteral("ycbcr420Only"), true);
    if (t.ycbcr420Also)
        o.insert(QStringLiteral("ycbcr420Also"), true);
    if (t.nominal)
        o.insert(QStringLiteral("nominalRate"), true);
    return o;
}

QJsonArray Ints(const QList<int> &values) {
    QJsonArray a;
    for (int v : values)
        a.append(v);
    return a;
}

QJsonValue FrlJson(int lanes, int gbps) {
    if (lanes == 0)
        return QJsonValue();
    return QJsonObject{{QStringLiteral("lanes"), lanes},
                       {QStringLiteral("gbpsPerLane"), gbps},
                       {QStringLiteral("totalGbps"), lanes * gbps}};
}

} // namespace

QJsonObject EdidInfoToJson(const EdidInfo &info) {
    QJsonObject o;
    o.insert(QStringLiteral("manufacturer"), info.manufacturerId);
    o.insert(QStringLiteral("product"), info.productCode);
    o.insert(QStringLiteral("serialNumber"), double(info.serialNumber));
    o.insert(QStringLiteral("name"), info.displayName);
    o.insert(QStringLiteral("version"),
             QStringLiteral("%1.%2").arg(info.version).arg(info.revision));
    o.insert(QStringLiteral("blocks"), int(info.blocks.size()));
    o.insert(QStringLiteral("preferred"),
             info.hasPreferredTiming ? QJsonValue(TimingJson(info.preferredTiming)) : QJsonValue());

    QJsonArray timings;
    for (const EdidTiming &t : info.timings)
        timings.append(TimingJson(t));
    o.insert(QStringLiteral("timings"), timings);

    QJsonObject display{{QStringLiteral("digital"), info.digital},
                        {QStringLiteral("widthCm"), info.widthCm},
                        {QStringLiteral("heightCm"), info.heightCm},
                        {QStringLiteral("colorFormats"), info.colorFormats}};
    if (info.bitDepth > 0)
        display.insert(QStringLiteral("bitDepth"), info.bitDepth);
    if (!info.interface.isEmpty())
        display.insert(QStringLiteral("interface"), info.interface);
    display.insert(QStringLiteral("gamma"), info.gamma > 0 ? QJsonValue(info.gamma) : QJsonValue());
    if (info.hasRangeLimits) {
        const EdidRangeLimits &r = info.rangeLimits;
        display.insert(QStringLiteral("rangeLimits"),
                       QJsonObject{{QStringLiteral("minVerticalHz"), r.minVerticalHz},
                                   {QStringLiteral("maxVerticalHz"), r.maxVerticalHz},
                                   {QStringLiteral("minHorizontalKHz"), r.minHorizontalKHz},
                                   {QStringLiteral("maxHorizontalKHz"), r.maxHorizontalKHz},
                                   {QStringLiteral("maxPixelClockMHz"), r.maxPixelClockMHz}});
    }
    o.insert(QStringLiteral("display"), display);

    QJsonArray audio;
    for (const EdidAudioFormat &a : info.audioFormats) {
        QJsonObject f{{QStringLiteral("format"), a.name},
                      {QStringLiteral("code"), a.code},
                      {QStringLiteral("maxChannels"),
                       a.maxChannels > 0 ? QJsonValue(a.maxChannels) : QJsonValue()},
                      {QStringLiteral("sampleRatesHz"), Ints(a.sampleRatesHz)}};
        if (a.code == 15)
            f.insert(QStringLiteral("extendedCode"), a.extendedCode);
        if (!a.bitDepths.isEmpty())
            f.insert(QStringLiteral("bitDepths"), Ints(a.bitDepths));
        if (a.maxBitrateKbps > 0)
            f.insert(QStringLiteral("maxBitrateKbps"), a.maxBitrateKbps);
        audio.append(f);
    }
    o.insert(QStringLiteral("audio"), audio);
    o.insert(QStringLiteral("speakers"), QJsonArray::fromStringList(info.speakers));

    o.insert(QStringLiteral("maxTmdsMHz"), EdidMaxTmdsMHz(info));
    o.insert(QStringLiteral("frl"),
             FrlJson(info.hdmiForum.frlLanes, info.hdmiForum.frlGbpsPerLane));
    if (info.hdr.present) {
        QJsonObject hdr{{QStringLiteral("eotfs"), QJsonArray::fromStringList(info.hdr.eotfs)}};
        if (info.hdr.maxLuminance > 0)
            hdr.insert(QStringLiteral("maxLuminance"), info.hdr.maxLuminance);
        if (info.hdr.maxFrameAverageLuminance > 0)
            hdr.insert(QStringLiteral("maxFrameAverageLuminance"),
                       info.hdr.maxFrameAverageLuminance);
        if (info.hdr.hasMinLuminance)
            hdr.insert(QStringLiteral("minLuminance"), info.hdr.minLuminance);
        o.insert(QStringLiteral("hdr"), hdr);
    } else {
        o.insert(QStringLiteral("hdr"), QJsonValue());
    }
    if (info.hdmi.present) {
        o.insert(QStringLiteral("hdmi"),
                 QJsonObject{
                     {QStringLiteral("physicalAddress"), info.hdmi.physicalAddressText},
                     {QStringLiteral("deepColor"), QJsonArray::fromStringList(info.hdmi.deepColor)},
                     {QStringLiteral("maxTmdsClockMHz"), info.hdmi.maxTmdsClockMHz}});
    }
    if (info.hdmiForum.present) {
        const EdidHdmiForumBlock &h = info.hdmiForum;
        o.insert(QStringLiteral("hdmiForum"),
                 QJsonObject{{QStringLiteral("maxTmdsCharacterRateMHz"), h.maxTmdsCharacterRateMHz},
                             {QStringLiteral("scdc"), h.scdc},
                             {QStringLiteral("allm"), h.allm},
                             {QStringLiteral("vrrMinHz"), h.vrrMinHz},
                             {QStringLiteral("vrrMaxHz"), h.vrrMaxHz},
                             {QStringLiteral("dsc"), h.dsc}});
    }
    o.insert(QStringLiteral("failures"), QJsonArray::fromStringList(info.failures));
    o.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(info.warnings));
    return o;
}
