#pragma once
// The EDID page's checks on raw EDID bytes and the conversion between those
// bytes and the texts of its hex grid. Plain functions, no widgets: the page
// keeps its grid texts in a QStringList and hands them in here.
//
// Grid layout: 17 x 17 cells stored row by row (index = row * 17 + column).
// Row 0 is the header row ("" then "0" .. "F"), column 0 the header column
// ("00", "10" .. "F0"). Cell (r, c), r and c from 1 to 16, holds byte number
// 16 (r - 1) + (c - 1) as two upper-case hex digits, or is empty.

#include <QByteArray>
#include <QString>
#include <QStringList>

constexpr int EdidSize = 256;      // base block and one extension block
constexpr int EdidBlockSize = 128; // one EDID block
constexpr int EdidGridDim = 17;    // rows and columns, header included
constexpr int EdidGridCells = EdidGridDim * EdidGridDim;

// Index of cell (row, column) in the grid's text list.
constexpr int EdidGridIndex(int row, int column) {
    return row * EdidGridDim + column;
}

// True when `buffer` may be shown in the grid: 256 bytes (a 257th byte is
// allowed and ignored), bytes 0..7 are 00 FF FF FF FF FF FF 00 and byte 255
// equals the negated sum of bytes 0..254.
bool EdidBufferShowable(const QByteArray &buffer);

// Why `buffer` may not be shown, in words a technician can act on; empty when
// EdidBufferShowable() holds. The size comes first, then the header (a file
// that is no EDID at all), then the checksum. `fileSize`
// is the size of the file the bytes came from (only its start may have been
// read); -1 when they did not come from a file.
QString EdidRefusalReason(const QByteArray &buffer, qint64 fileSize = -1);

// Header texts of the grid, data cells empty: a list of EdidGridCells texts.
QStringList EdidEmptyGrid();

// Brings `cells` to EdidGridCells entries and writes the header texts. Data
// cells already there are kept.
void EdidWriteGridHeaders(QStringList &cells);

// Empties the 256 data cells; the headers stay.
void EdidClearGrid(QStringList &cells);

// Displays a byte buffer: writes the headers, then, when `buffer` is present
// and showable, fills the 256 data cells and returns true. On failure the
// data cells keep their texts. A null `buffer` is a failure.
bool EdidBytesToGrid(const QByteArray *buffer, QStringList &cells);
inline bool EdidBytesToGrid(const QByteArray &buffer, QStringList &cells) {
    return EdidBytesToGrid(&buffer, cells);
}

// Reads the grid back into bytes, walking rows 1..16 and in each row columns
// 1..16. Empty cells are skipped; every other cell gives one byte, decoded
// from its first two characters as hex. A cell that cannot be decoded, or a
// total other than 256 bytes, empties `bytes` and returns false.
bool EdidGridToBytes(const QStringList &cells, QByteArray &bytes);
