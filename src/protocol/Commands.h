#pragma once
// Protocol vocabulary shared by the link engine, the main window and the
// dialogs: enumerations, fixed text tables and byte/text helpers. Everything
// here is constant data or a pure function; nothing talks to a device.

#include <QString>
#include <QStringList>
#include <cstdint>

enum TControlMode : uint8_t { cmLAN = 0, cmCOM = 1 };
enum TUDPMode : uint8_t { umBROADCAST = 0, umNORMAL = 1 };

// One row of the EDID item table: display name and EDID number.
struct TEDIDItemInfo {
    QString Name;
    int32_t Index;
};

// File paths of the seven MCU part files, in the order of MCUPartNames.
struct TMergeOpenPath {
    QString Paths[7];
};

// Colours of the status bar's action panel, indexed by the blink state.
// Colours are 0xRRGGBB; when BackgroundIsButtonFace is set the panel uses the
// system's button-face colour instead of Background.
struct TStatusPanelColors {
    uint32_t Background;
    uint32_t Text;
    bool BackgroundIsButtonFace;
};

// ---- Fixed text tables ---------------------------------------------------

inline const QString IPModeNames[2] = {QStringLiteral("Static IP"), QStringLiteral("Auto IP")};
inline const QString SubnetModeNames[2] = {QStringLiteral("Same Subnet"),
                                           QStringLiteral("Cross Subnet")};
// Indexed by the connected state.
inline const QString ConnectionStateWords[2] = {QStringLiteral("Disconnect"),
                                                QStringLiteral("Connected")};
inline const QString SerialActionWords[2] = {QStringLiteral("Open"), QStringLiteral("Close")};
inline const QString LANActionWords[2] = {QStringLiteral("Connect"), QStringLiteral("Disconnect")};
// Indexed by port-kind byte - 1 (1 = HDMI, 2 = HDBT).
inline const QString PortKindNames[2] = {QStringLiteral("HDMI"), QStringLiteral("HDBT")};
// Indexed by a check state.
inline const QString DisableEnableWords[2] = {QStringLiteral("Disable"), QStringLiteral("Enable")};
inline const QString OffOnWords[2] = {QStringLiteral("OFF"), QStringLiteral("ON")};
inline const QString UnlockLockWords[2] = {QStringLiteral("Unlock"), QStringLiteral("Lock")};
// Turning spinner at the end of waiting texts, indexed by counter mod 4.
inline const QString SpinnerChars[4] = {QStringLiteral("/"), QStringLiteral("-"),
                                        QStringLiteral("\\"), QStringLiteral("|")};
inline const QString MCUPartNames[7] = {QStringLiteral("MAIN"),  QStringLiteral("SLAVE"),
                                        QStringLiteral("IRMX"),  QStringLiteral("PANEL"),
                                        QStringLiteral("IDIR"),  QStringLiteral("INPUT"),
                                        QStringLiteral("OUTPUT")};

// 0 = alert (red on white text), 1 = normal (button face, black text).
constexpr TStatusPanelColors StatusPanelColors[2] = {{0xFF0000, 0xFFFFFF, false},
                                                     {0x000000, 0x000000, true}};

// Address a TCP control module configuration is reset to.
constexpr uint8_t DefaultModuleIP[4] = {192, 168, 0, 100};

constexpr int EDIDItemCount = 25;
extern const TEDIDItemInfo EDIDItems[EDIDItemCount];
// EDID number of the entry with exactly this name; 255 when there is none.
int EDIDItemIndex(const QString &name);

// ---- Byte helpers ---------------------------------------------------------

constexpr uint8_t LoByte(uint16_t w) {
    return static_cast<uint8_t>(w & 0xFF);
}
constexpr uint8_t HiByte(uint16_t w) {
    return static_cast<uint8_t>((w >> 8) & 0xFF);
}
constexpr uint16_t MakeWordHL(uint8_t h, uint8_t l) {
    return static_cast<uint16_t>((static_cast<unsigned>(h) << 8) | (l & 0xFFu));
}
constexpr uint32_t ByteToTop(uint8_t b) {
    return (static_cast<uint32_t>(b) & 0xFFu) << 24;
}
// Byte n of v: n = 1 for bits 0-7 ... n = 4 for bits 24-31; 0 for any other n.
constexpr uint8_t ByteOf(uint32_t v, int n) {
    return (n >= 1 && n <= 4) ? static_cast<uint8_t>((v >> (8 * (n - 1))) & 0xFF) : 0;
}

// ---- Text helpers ---------------------------------------------------------

// Splits a dotted address into four octet texts (clamped to 0..255). True
// only for exactly four numeric parts; `octets` always holds four entries
// (empty where nothing was split).
bool SplitIPText(const QString &text, QStringList &octets);
// Parses "00-1B-2C-3D-4E-5F" style text (case-insensitive; an empty part is
// 00, a one-digit part gets a leading 0). True only for exactly six parts.
bool ParseMACText(const QString &text, uint8_t bytes[6]);
// ParseMACText, then each byte as two upper-case hex digits (six entries).
bool SplitMACText(const QString &text, QStringList &parts);
// Normalises the text of an octet edit: empty or <= 0 becomes "0", >= 255
// becomes "255", 1..254 stay as typed.
void ClampOctetEdit(QString &text);
// Integer text to a 16-bit value; false (and 0) when it does not convert or
// does not fit.
bool TextToWord(const QString &text, uint16_t &value);
// True when a scratch file can be created (and removed again) in `folder`.
bool FolderIsWritable(const QString &folder);
