#pragma once
// The input and output labels in the settings file, kept per interface and,
// on the LAN, per TCP control device (by its MAC):
//   COM:  [Tag of Input - COM]             In 1 .. In 8
//         [Tag of Output - COM]            Out 1 .. Out 8
//   LAN:  [Tag of Input - TCP:<MAC>]       In 1 .. In 8
//         [Tag of Output - TCP:<MAC>]      Out 1 .. Out 8
// A label is stored exactly as typed, blanks at its ends included (such a
// value is written in double quotes, which reading removes again).

#include "protocol/Commands.h"

#include <QString>
#include <array>

class IniFile;

class PortTagStore {
public:
    static constexpr int PortCount = 8;

    struct Tags {
        std::array<QString, PortCount> inputs;  // label of input 1..8
        std::array<QString, PortCount> outputs; // label of output 1..8
        bool operator==(const Tags &o) const { return inputs == o.inputs && outputs == o.outputs; }
        bool operator!=(const Tags &o) const { return !(*this == o); }
    };

    // The MAC text of "no device selected".
    static QString noDeviceMac() { return QStringLiteral("00-00-00-00-00-00"); }

    // Section names for the interface and device; empty when the pair has no
    // sections (an unknown mode, or LAN without a device).
    static QString inputSection(TControlMode mode, const QString &deviceMac);
    static QString outputSection(TControlMode mode, const QString &deviceMac);
    static QString inputKey(int port);  // "In " + port
    static QString outputKey(int port); // "Out " + port

    // The labels of the interface and device; a missing key gives an empty label.
    static Tags load(const IniFile &ini, TControlMode mode, const QString &deviceMac);
    // Writes the 16 labels (nothing for an unknown mode or, on the LAN, when
    // no device is selected), then prunes empty tag sections.
    static void save(IniFile &ini, TControlMode mode, const QString &deviceMac, const Tags &tags);
    // Erases every "Tag of" section without keys or whose values are all
    // blank once trimmed.
    static void prune(IniFile &ini);

    // The same on the file itself: read it, change it, write it back. Returns
    // false with the error text in *error when the file cannot be written
    // ("Unable to write to <file>"), or when an existing file cannot be read
    // ("Unable to read from <file>"; it is left alone then, since writing
    // would lose what else it holds).
    static Tags loadFile(const QString &fileName, TControlMode mode, const QString &deviceMac);
    static bool saveFile(const QString &fileName, TControlMode mode, const QString &deviceMac,
                         const Tags &tags, QString *error = nullptr);
};
