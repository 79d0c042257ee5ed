#pragma once
// Everything "Settings.ini" holds, as plain values.
//
// The window fills its controls from read() and collects them back before
// write(). Reading applies every default and limit; writing produces the
// sections and keys in this order:
//   [WARNING] NOTE, [Control mode] Mode, [COM port] Name (when not empty),
//   [TCP control device] Name (when not empty), [TCP control device list]
//   Device No.1.., the port-tag sections of tagMode/deviceMac (then empty tag
//   sections are pruned), [Pre-Setting name] Setting1..8 with
//   [Pre-Setting value] value1..8, [In  device name] Device1..,
//   [Out  display name] Display1.., [EDID setting] (eight keys),
//   [Display tag] Value, [MAC ID Bytes] MAC ID B1..B3, [Delay Settings].
// The three lists are rewritten whole and renumbered from 1 in the order held
// here; a list section that exists keeps its place in the file, so saving
// the same values twice gives the same file.
// Free texts are stored exactly, blanks at their ends included.

#include "PortTagStore.h"
#include "protocol/Commands.h"

#include <QString>
#include <QStringList>
#include <array>

class IniFile;

struct SettingsData {
    static constexpr int PresetCount = 8;
    static constexpr int OutputCount = 8;
    static constexpr int MaxDelay = 300;

    struct Preset {
        QString name;        // caption of the preset row
        QStringList columns; // input numbers (as text) for outputs 1..8
        bool operator==(const Preset &o) const { return name == o.name && columns == o.columns; }
    };

    bool lanMode = true; // "Control mode"/"Mode": 1 = TCP/IP, 0 = COM port
    QString comPort;     // "COM port"/"Name"
    QString lanDevice;   // "TCP control device"/"Name": the selected device entry
    QStringList devices; // "TCP control device list", in list order
    std::array<Preset, PresetCount> presets;
    QStringList inDeviceNames;   // "In  device name": known input device names
    QStringList outDisplayNames; // "Out  display name": known output display names
    QString edidMode;            // "EDID setting"/"EDID mode"
    QString setEdidModeInput;    // "In  of EDID mode"
    QString copyEdidOutput;      // "Out  of Copy EDID"
    QString copyEdidInput;       // "In  of Copy EDID"
    QString readEdidDataOutput;  // "Out  of Read EDID"
    QString downloadEdidInput;   // "In  of Download EDID"
    QString saveEdidFile;        // "Save EDID file": written only, reads as empty
    QString openEdidFile;        // "Open EDID file": written only, reads as empty
    bool displayTag = true;      // "Display tag"/"Value": written only, reads as true
    std::array<QString, 3> macId{QStringLiteral("18"), QStringLiteral("98"),
                                 QStringLiteral("66")}; // "MAC ID B1".."MAC ID B3"
    int AfterRebootDelay = 0; // "Wait After Checking Reboot", seconds, 0..300
    int BeforeBIDelay = 0;    // "Wait Before Writing BI", seconds, 0..300

    // The port labels of the current interface and device. read() sets
    // tagMode from "Mode" and deviceMac to "no device", and loads the labels
    // for that pair: the COM labels in COM mode, none on the LAN. Once the
    // window knows the selected device's MAC it loads that device's labels
    // with PortTagStore::load(). write() saves the labels under this pair.
    TControlMode tagMode = cmLAN;
    QString deviceMac = PortTagStore::noDeviceMac();
    PortTagStore::Tags tags;

    SettingsData(); // every default, as with no settings file

    static SettingsData read(const IniFile &ini);
    void write(IniFile &ini) const;

    // read() of the file; a missing or unreadable file gives the defaults.
    // When an existing file cannot be read (or is larger than a settings
    // file can be, see IniFile::MaxFileSize) *error gets the reason.
    static SettingsData loadFile(const QString &fileName, QString *error = nullptr);
    // write() into the file as it is now and save it. On failure returns
    // false with "Unable to write to <file>" in *error (or "Unable to read
    // from <file>" when an existing file cannot be read: it is left alone).
    bool saveFile(const QString &fileName, QString *error = nullptr) const;
    // "Settings.ini" where SettingsLocation places it for this executable.
    static QString defaultFileName();

    // Preset value text split into pieces like delimited text: commas and
    // blanks (any character up to the blank) separate, double quotes group
    // (a doubled quote inside stands for one), a comma at the very end gives
    // a last empty piece.
    static QStringList splitDelimited(const QString &text);
    // Appends "1", "2", "3" ... until there are eight pieces.
    static QStringList padPreset(QStringList columns);
    static QString defaultPresetName(int n); // "Settings " + n
    static QString defaultPresetValue();     // "1,2,3,4,5,6,7,8"
    static int clampDelay(int seconds);      // into 0..300
};
