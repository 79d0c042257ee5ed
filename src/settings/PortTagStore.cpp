#include "PortTagStore.h"

#include "IniFile.h"

namespace {

bool hasDevice(const QString &deviceMac) {
    // An empty MAC (a malformed device entry) would gather the labels of every
    // such entry in one section, so it counts as no device as well.
    const QString mac = deviceMac.trimmed();
    return !mac.isEmpty() && mac != PortTagStore::noDeviceMac();
}

QString sectionFor(const char *direction, TControlMode mode, const QString &deviceMac) {
    const QString head = QStringLiteral("Tag of %1 - ").arg(QLatin1String(direction));
    if (mode == cmCOM)
        return head + QStringLiteral("COM");
    if (mode == cmLAN && hasDevice(deviceMac))
        return head + QStringLiteral("TCP:") + deviceMac;
    return QString();
}

} // namespace

QString PortTagStore::inputSection(TControlMode mode, const QString &deviceMac) {
    return sectionFor("Input", mode, deviceMac);
}

QString PortTagStore::outputSection(TControlMode mode, const QString &deviceMac) {
    return sectionFor("Output", mode, deviceMac);
}

QString PortTagStore::inputKey(int port) {
    return QStringLiteral("In %1").arg(port);
}

QString PortTagStore::outputKey(int port) {
    return QStringLiteral("Out %1").arg(port);
}

PortTagStore::Tags PortTagStore::load(const IniFile &ini, TControlMode mode,
                                      const QString &deviceMac) {
    Tags tags;
    const QString in = inputSection(mode, deviceMac);
    const QString out = outputSection(mode, deviceMac);
    if (in.isEmpty())
        return tags;
    for (int n = 1; n <= PortCount; ++n) {
        tags.inputs[n - 1] = ini.readString(in, inputKey(n));
        tags.outputs[n - 1] = ini.readString(out, outputKey(n));
    }
    return tags;
}

void PortTagStore::save(IniFile &ini, TControlMode mode, const QString &deviceMac,
                        const Tags &tags) {
    const QString in = inputSection(mode, deviceMac);
    const QString out = outputSection(mode, deviceMac);
    if (!in.isEmpty()) {
        for (int n = 1; n <= PortCount; ++n)
            ini.writeExactString(in, inputKey(n), tags.inputs[n - 1]);
        for (int n = 1; n <= PortCount; ++n)
            ini.writeExactString(out, outputKey(n), tags.outputs[n - 1]);
    }
    prune(ini);
}

void PortTagStore::prune(IniFile &ini) {
    // One pass over the file, however many devices have left their labels.
    ini.eraseSectionsWhere([](const QString &section, const IniFile::EntryList &entries) {
        if (!section.contains(QLatin1String("Tag of"), Qt::CaseInsensitive))
            return false;
        for (const IniFile::Entry &e : entries) {
            if (!e.second.trimmed().isEmpty())
                return false;
        }
        return true;
    });
}

PortTagStore::Tags PortTagStore::loadFile(const QString &fileName, TControlMode mode,
                                          const QString &deviceMac) {
    IniFile ini(fileName);
    ini.load();
    return load(ini, mode, deviceMac);
}

bool PortTagStore::saveFile(const QString &fileName, TControlMode mode, const QString &deviceMac,
                            const Tags &tags, QString *error) {
    IniFile ini(fileName);
    if (!ini.load()) {
        // Writing now would drop everything else the unreadable file holds.
        if (error)
            *error = ini.errorString();
        return false;
    }
    save(ini, mode, deviceMac, tags);
    const bool ok = ini.save();
    if (error)
        *error = ini.errorString();
    return ok;
}
