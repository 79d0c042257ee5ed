#pragma once
// What one node of a board-information tree carries: a board (level 0), an
// MCU group (level 1) or a firmware item (level 2). Fields that do not apply
// to a node's level keep the values of a new node.

#include <QByteArray>
#include <QString>
#include <cstdint>

constexpr int BoardNameSize = 32; // name bytes including the terminating zero
constexpr int BoardNameMaxChars = 31;
constexpr uint8_t PCBTypeNotSelected = 255;
constexpr uint8_t SolutionNotSet = 255;
constexpr uint8_t VersionNotSet = 255;
constexpr uint8_t PCBTypeMainBoard = 0;

struct BoardInfoNode {
    uint8_t IncludeBoardInfo = 0;
    // Name bytes as stored: Latin-1 characters and a terminating zero, at most
    // 32 bytes; empty when the node has no name.
    QByteArray Name;
    uint8_t PCBType = PCBTypeNotSelected;
    uint8_t MCUType = 0;
    uint8_t Solution = SolutionNotSet;
    uint8_t Quantity = 0;
    uint8_t PCBVersion = 0; // character code of "A".."Z", 0 = not selected
    uint8_t OverwriteSpecialCode = 0;
    QByteArray SpecialCode = QByteArray(2, '\0'); // two bytes per special-code part
    uint8_t PCBVersionFrom = 0;
    uint8_t PCBVersionTo = 0;
    uint8_t DefaultFirmware = 0;
    uint8_t Ver1 = VersionNotSet;
    uint8_t Ver2 = VersionNotSet;
    QString FirmwareFile;

    // The name without its terminating zero.
    QString NameText() const;
    // Stores at most 31 characters with the terminating zero; an empty text
    // leaves the node without a name.
    void setNameText(const QString &text);

    bool operator==(const BoardInfoNode &other) const;
    bool operator!=(const BoardInfoNode &other) const { return !(*this == other); }
};

// Text of name bytes: Latin-1 up to the first zero byte.
QString BoardNameText(const QByteArray &nameBytes);
