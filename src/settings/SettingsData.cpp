#include "SettingsData.h"

#include "IniFile.h"
#include "SettingsLocation.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kWarning = QStringLiteral("WARNING");
const QString kControlMode = QStringLiteral("Control mode");
const QString kComPort = QStringLiteral("COM port");
const QString kLanDevice = QStringLiteral("TCP control device");
const QString kDeviceList = QStringLiteral("TCP control device list");
const QString kPresetName = QStringLiteral("Pre-Setting name");
const QString kPresetValue = QStringLiteral("Pre-Setting value");
const QString kInDeviceNames = QStringLiteral("In  device name");
const QString kOutDisplayNames = QStringLiteral("Out  display name");
const QString kEdid = QStringLiteral("EDID setting");
const QString kDisplayTag = QStringLiteral("Display tag");
const QString kMacId = QStringLiteral("MAC ID Bytes");
const QString kDelays = QStringLiteral("Delay Settings");

const QString kEdidMode = QStringLiteral("EDID mode");
const QString kSetEdidModeInput = QStringLiteral("In  of EDID mode");
const QString kCopyEdidOutput = QStringLiteral("Out  of Copy EDID");
const QString kCopyEdidInput = QStringLiteral("In  of Copy EDID");
const QString kReadEdidDataOutput = QStringLiteral("Out  of Read EDID");
const QString kDownloadEdidInput = QStringLiteral("In  of Download EDID");
const QString kSaveEdidFile = QStringLiteral("Save EDID file");
const QString kOpenEdidFile = QStringLiteral("Open EDID file");
const QString kAfterReboot = QStringLiteral("Wait After Checking Reboot");
const QString kBeforeBI = QStringLiteral("Wait Before Writing BI");

// Values of a list section in file order, whatever their keys are called.
// Empty values carry nothing and are left out.
QStringList listValues(const IniFile &ini, const QString &section) {
    QStringList values;
    for (const IniFile::Entry &e : ini.entries(section)) {
        if (!e.second.trimmed().isEmpty())
            values << e.second;
    }
    return values;
}

IniFile::EntryList numbered(const QString &prefix, const QStringList &values) {
    IniFile::EntryList entries;
    for (int n = 0; n < values.size(); ++n)
        entries << IniFile::Entry(prefix + QString::number(n + 1), values[n]);
    return entries;
}

QString macIdKey(int n) {
    return QStringLiteral("MAC ID B%1").arg(n);
}

// Delimited-text separators: every control character and the blank.
bool isSeparator(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

} // namespace

SettingsData::SettingsData() {
    for (int n = 1; n <= PresetCount; ++n) {
        presets[n - 1].name = defaultPresetName(n);
        presets[n - 1].columns = splitDelimited(defaultPresetValue());
    }
}

QString SettingsData::defaultPresetName(int n) {
    return QStringLiteral("Settings %1").arg(n);
}

QString SettingsData::defaultPresetValue() {
    return QStringLiteral("1,2,3,4,5,6,7,8");
}

int SettingsData::clampDelay(int seconds) {
    return qBound(0, seconds, MaxDelay);
}

QStringList SettingsData::splitDelimited(const QString &text) {
    QStringList pieces;
    qsizetype n = text.indexOf(QChar(0)); // the text ends at a NUL character
    if (n < 0)
        n = text.size();
    qsizetype i = 0;
    while (i < n && isSeparator(text[i]))
        ++i;
    while (i < n) {
        QString piece;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        piece += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                piece += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !isSeparator(text[i]) && text[i] != u',')
                ++i;
            piece = text.mid(start, i - start);
        }
        pieces << piece;
        while (i < n && isSeparator(text[i]))
            ++i;
        if (i < n && text[i] == u',') {
            if (i + 1 == n)
                pieces << QString();
            do {
                ++i;
            } while (i < n && isSeparator(text[i]));
        }
    }
    return pieces;
}

QStringList SettingsData::padPreset(QStringList columns) {
    int next = 1;
    while (columns.size() < OutputCount)
        columns << QString::number(next++);
    return columns;
}

SettingsData SettingsData::read(const IniFile &ini) {
    SettingsData d;
    d.lanMode = ini.readBool(kControlMode, QStringLiteral("Mode"), true);
    d.comPort = ini.readString(kComPort, QStringLiteral("Name"));
    d.devices = listValues(ini, kDeviceList);
    d.lanDevice = ini.readString(kLanDevice, QStringLiteral("Name"));

    d.tagMode = d.lanMode ? cmLAN : cmCOM;
    d.deviceMac = PortTagStore::noDeviceMac();
    d.tags = PortTagStore::load(ini, d.tagMode, d.deviceMac);

    for (int n = 1; n <= PresetCount; ++n) {
        Preset &p = d.presets[n - 1];
        p.name =
            ini.readString(kPresetName, QStringLiteral("Setting%1").arg(n), defaultPresetName(n));
        p.columns = padPreset(splitDelimited(
            ini.readString(kPresetValue, QStringLiteral("value%1").arg(n), defaultPresetValue())));
    }

    d.inDeviceNames = listValues(ini, kInDeviceNames);
    d.outDisplayNames = listValues(ini, kOutDisplayNames);

    d.edidMode = ini.readString(kEdid, kEdidMode);
    d.setEdidModeInput = ini.readString(kEdid, kSetEdidModeInput);
    d.copyEdidOutput = ini.readString(kEdid, kCopyEdidOutput);
    d.copyEdidInput = ini.readString(kEdid, kCopyEdidInput);
    d.readEdidDataOutput = ini.readString(kEdid, kReadEdidDataOutput);
    d.downloadEdidInput = ini.readString(kEdid, kDownloadEdidInput);
    // The two EDID paths and the display tag are stored but never restored.

    for (int n = 1; n <= 3; ++n)
        d.macId[n - 1] = ini.readString(kMacId, macIdKey(n), d.macId[n - 1]);

    d.AfterRebootDelay = clampDelay(ini.readInteger(kDelays, kAfterReboot, 0));
    d.BeforeBIDelay = clampDelay(ini.readInteger(kDelays, kBeforeBI, 0));
    return d;
}

void SettingsData::write(IniFile &ini) const {
    ini.writeString(kWarning, QStringLiteral("NOTE"),
                    QStringLiteral("DON'T MODIFY THIS FILE MANUALLY!"));
    ini.writeBool(kControlMode, QStringLiteral("Mode"), lanMode);
    if (!comPort.isEmpty())
        ini.writeExactString(kComPort, QStringLiteral("Name"), comPort);
    if (!lanDevice.isEmpty())
        ini.writeExactString(kLanDevice, QStringLiteral("Name"), lanDevice);
    ini.replaceSection(kDeviceList, numbered(QStringLiteral("Device No."), devices));

    PortTagStore::save(ini, tagMode, deviceMac, tags);

    for (int n = 1; n <= PresetCount; ++n) {
        const Preset &p = presets[n - 1];
        ini.writeExactString(kPresetName, QStringLiteral("Setting%1").arg(n), p.name);
        ini.writeExactString(kPresetValue, QStringLiteral("value%1").arg(n), p.columns.join(u','));
    }

    ini.replaceSection(kInDeviceNames, numbered(QStringLiteral("Device"), inDeviceNames));
    ini.replaceSection(kOutDisplayNames, numbered(QStringLiteral("Display"), outDisplayNames));

    ini.writeExactString(kEdid, kEdidMode, edidMode);
    ini.writeExactString(kEdid, kSetEdidModeInput, setEdidModeInput);
    ini.writeExactString(kEdid, kCopyEdidOutput, copyEdidOutput);
    ini.writeExactString(kEdid, kCopyEdidInput, copyEdidInput);
    ini.writeExactString(kEdid, kReadEdidDataOutput, readEdidDataOutput);
    ini.writeExactString(kEdid, kDownloadEdidInput, downloadEdidInput);
    ini.writeExactString(kEdid, kSaveEdidFile, saveEdidFile);
    ini.writeExactString(kEdid, kOpenEdidFile, openEdidFile);

    ini.writeBool(kDisplayTag, QStringLiteral("Value"), displayTag);

    for (int n = 1; n <= 3; ++n)
        ini.writeExactString(kMacId, macIdKey(n), macId[n - 1]);

    ini.writeInteger(kDelays, kAfterReboot, AfterRebootDelay);
    ini.writeInteger(kDelays, kBeforeBI, BeforeBIDelay);
}

SettingsData SettingsData::loadFile(const QString &fileName, QString *error) {
    IniFile ini(fileName);
    const bool ok = ini.load();
    if (error)
        *error = ok ? QString() : ini.errorString();
    return read(ini);
}

bool SettingsData::saveFile(const QString &fileName, QString *error) const {
    IniFile ini(fileName);
    bool ok = ini.load();
    if (ok) {
        write(ini);
        ok = ini.save();
    }
    if (error)
        *error = ini.errorString();
    return ok;
}

QString SettingsData::defaultFileName() {
    return SettingsLocation::Resolve(QCoreApplication::applicationDirPath()).folder +
           QLatin1String(SettingsLocation::FileName);
}
