#include "SampleFiles.h"

#include <QFile>
#include <QFileInfo>

namespace samples {

QString edidDir() {
    return QStringLiteral(TSM_TESTDATA_DIR "/edid");
}

QString edidPath(const QString &name) {
    return edidDir() + QLatin1Char('/') + name;
}

QStringList edidNames() {
    return {
        QStringLiteral("acer-xv273k-dp.bin"),      QStringLiteral("asus-vw246-hdmi.bin"),
        QStringLiteral("dell-3007wfp-dvi.bin"),    QStringLiteral("dell-p2415q-hdmi2.0.bin"),
        QStringLiteral("elo-4600l-hdmi.bin"),      QStringLiteral("hdfury-doctorhdmi-3d-hdmi.bin"),
        QStringLiteral("hp-lp2480zx-hdmi.bin"),    QStringLiteral("lg-oled-c9-hdmi.bin"),
        QStringLiteral("samsung-ue55ks-hdmi.bin"), QStringLiteral("sony-kd55xd-hdmi.bin"),
    };
}

QString firstMissingEdid() {
    for (const QString &name : edidNames()) {
        const QString path = edidPath(name);
        const QFileInfo info(path);
        if (!info.isFile() || !info.isReadable() || info.size() == 0)
            return path;
    }
    return QString();
}

QByteArray readEdid(const QString &name) {
    QFile f(edidPath(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

} // namespace samples
