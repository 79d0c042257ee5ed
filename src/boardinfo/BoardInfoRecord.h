#pragma once
// The 342-byte record of one board-information node, as carried by ".bif"
// files and firmware packages. Kept as its bytes so that a record read from a
// file is written back unchanged.

#include <QByteArray>
#include <QString>
#include <cstdint>

constexpr int BoardInfoRecordSize = 342;
constexpr int BoardInfoPathSize = 260;

struct BoardInfoRecord {
    uint8_t b[BoardInfoRecordSize] = {};

    int32_t Level() const { return int32(0); }
    int32_t AbsoluteIndex() const { return int32(4); }
    int32_t ParentIndex() const { return int32(8); } // -1 for a board
    uint8_t Checked() const { return b[12]; }
    // Level-2 records: name bytes of the board and of the MCU group above.
    QByteArray BoardName() const { return bytes(13, 32); }
    QByteArray GroupName() const { return bytes(45, 32); }
    uint8_t IncludeBoardInfo() const { return b[77]; }
    uint8_t OverwriteSpecialCode() const { return b[78]; }
    uint8_t DefaultFirmware() const { return b[79]; }
    uint8_t Ver1() const { return b[80]; }
    uint8_t Ver2() const { return b[81]; }
    // The zero-terminated firmware path.
    QString FirmwarePath() const;

    void setLevel(int32_t v) { setInt32(0, v); }
    void setAbsoluteIndex(int32_t v) { setInt32(4, v); }
    void setParentIndex(int32_t v) { setInt32(8, v); }
    void setChecked(bool checked) { b[12] = checked ? 1 : 0; }
    void setBoardName(const QByteArray &name) { setBytes(13, 32, name); }
    void setGroupName(const QByteArray &name) { setBytes(45, 32, name); }
    void setIncludeBoardInfo(uint8_t v) { b[77] = v; }
    void setOverwriteSpecialCode(uint8_t v) { b[78] = v; }
    void setDefaultFirmware(uint8_t v) { b[79] = v; }
    void setVer1(uint8_t v) { b[80] = v; }
    void setVer2(uint8_t v) { b[81] = v; }
    // At most 259 bytes of the path are kept, so that its zero fits.
    void setFirmwarePath(const QString &path);

    QByteArray toBytes() const;
    // The first 342 bytes of `data` (the caller makes sure they exist).
    static BoardInfoRecord fromBytes(const char *data);

private:
    int32_t int32(int at) const;
    void setInt32(int at, int32_t value);
    QByteArray bytes(int at, int size) const;
    void setBytes(int at, int size, const QByteArray &value);
};
