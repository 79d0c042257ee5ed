#include "control/EdidJson.h"

#include <QJsonArray>

namespace {

QJsonObject TimingJson(const EdidTiming &t) {
    return QJsonObject{{QStringLiteral("hActive"), t.hActive},
                       {QStringLiteral("vActive"), t.vActive},
                       {QStringLiteral("refreshHz"), t.refreshHz},
                       {QStringLiteral("interlaced"), t.interlaced}};
}

} // namespace

QJsonObject EdidInfoToJson(const EdidInfo &info) {
    QJsonObject o;
    o.insert(QStringLiteral("manufacturer"), info.manufacturerId);
    o.insert(QStringLiteral("product"), info.productCode);
    o.insert(QStringLiteral("name"), info.displayName);
    o.insert(QStringLiteral("preferred"),
             info.hasPreferredTiming ? QJsonValue(TimingJson(info.preferredTiming)) : QJsonValue());

    QJsonArray timings;
    if (info.hasPreferredTiming) {
        QJsonObject t = TimingJson(info.preferredTiming);
        t.insert(QStringLiteral("source"), QStringLiteral("detailed timing"));
        timings.append(t);
    }
    for (const EdidVideoMode &m : info.videoModes) {
        if (!m.known)
            continue;
        QJsonObject t = TimingJson(m.timing);
        t.insert(QStringLiteral("source"), QStringLiteral("VIC %1").arg(m.vic));
        timings.append(t);
    }
    o.insert(QStringLiteral("timings"), timings);

    QJsonArray audio;
    for (const EdidAudioFormat &a : info.audioFormats) {
        QJsonArray rates;
        for (int r : a.sampleRatesHz)
            rates.append(r);
        audio.append(QJsonObject{{QStringLiteral("format"), a.name},
                                 {QStringLiteral("maxChannels"), a.maxChannels},
                                 {QStringLiteral("sampleRatesHz"), rates}});
    }
    o.insert(QStringLiteral("audio"), audio);

    int maxTmds = info.hdmi.maxTmdsClockMHz;
    if (info.hdmiForum.maxTmdsCharacterRateMHz > maxTmds)
        maxTmds = info.hdmiForum.maxTmdsCharacterRateMHz;
    o.insert(QStringLiteral("maxTmdsMHz"), maxTmds);
    o.insert(QStringLiteral("frl"), QJsonValue());
    o.insert(QStringLiteral("hdr"), QJsonValue());
    o.insert(QStringLiteral("failures"), QJsonArray());
    o.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(info.warnings));
    return o;
}
