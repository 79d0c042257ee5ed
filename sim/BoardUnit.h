#pragma once
// The boards inside the simulated unit: per board its identity (PCB type and
// sub index), boot-code information, board-information fields and block, the
// firmware images it received, and how a test wants it to misbehave. Plain
// data, guarded like the rest of the state (MatrixSimulator::withState).
//
// A unit is described by a unit file (see docs/SIMULATOR.md): one [Board]
// section per board with `Key = value` lines. Without a file the unit is the
// built-in one: a main board whose block lists MAIN, 2 input cards and 2
// output cards, and those four cards.

#include "protocol/BoardInfoFields.h"
#include "protocol/BootCodeInfo.h"
#include "protocol/Frames.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// One firmware image as a board received it.
struct StoredImage {
    Frame start;      // the starting frame: bytes 2..11 are part header bytes 128..137
    QByteArray image; // the data as received (deciphered)
    bool prepared = false;
    int blocks = 0;

    uint8_t partClass() const { return start.subCode(); }
    uint16_t kind() const { return start.param(1); }
    uint16_t slot() const { return start.param(2); }
    uint16_t ver1() const { return start.param(3); }
    uint16_t ver2() const { return start.param(4); }
};

struct SimBoard {
    // Described by the unit file.
    uint8_t pcbType = 0; // 0: the main board
    uint8_t subIndex = 0;
    uint8_t mcuType = 1;
    uint8_t bcVersion = 1;
    bool bcRunning = false; // runs its boot code instead of its firmware
    bool boardInfoValid = true;
    uint8_t pcbTypeForCheck = 0;
    uint8_t pcbSolution = 0;
    uint8_t pcbVersion = 'A';
    QByteArray block;         // the board-information block
    bool refuseParts = false; // every upload start for this board answers 0x44
    int silentAfter = -1;     // answers this many more frames, then none; -1: always answers

    // Set by tests while the simulator runs.
    int refuseInfoPackets = 0; // the next n board-information write packets answer 0xFF
    int announcedLength = -1;  // block length a read announces; -1: the block's own

    // Kept while the simulator runs.
    QList<StoredImage> images; // every finished upload, oldest first
    int boardInfoWrites = 0;   // blocks written by the host

    BoardInfoFields fields() const;
    BootCodeInfo bootCodeInfo() const;
    // The described values are equal (not the images or counters).
    bool sameDescription(const SimBoard &other) const;
};

class BoardUnit {
public:
    // The built-in unit, and its text as a unit file.
    static BoardUnit defaultUnit();
    static QString defaultUnitText();

    // Reads a unit file's text; false with `error` ("line N: ...") when it is
    // not a valid unit (an unknown key, a bad value, two boards with the same
    // PCB type and sub index, no main board).
    static bool fromText(const QString &text, BoardUnit *unit, QString *error);
    QString toText() const;
    bool load(const QString &path, QString *error);
    bool save(const QString &path, QString *error) const;

    QList<SimBoard> boards;
    QList<uint16_t> slaveResets; // P1 of every "Reset All Slave MCU", in order

    SimBoard *board(int pcbType, int subIndex);
    const SimBoard *board(int pcbType, int subIndex) const;
    SimBoard *mainBoard() { return board(0, 0); }
    // The board a firmware part is for: class 1 the main board; class 2 the
    // board whose PCB type is the MCU kind, at sub index slot - 1 (slot 0:
    // sub index 0). Null when the unit has no such board.
    SimBoard *boardForPart(int partClass, int kind, int slot);

    // The last image the board received; empty when none.
    QByteArray storedImage(int pcbType, int subIndex) const;
    const StoredImage *lastImage(int pcbType, int subIndex) const;
    QByteArray storedBlock(int pcbType, int subIndex) const;

    // Whether the board answers now; counts down its silentAfter.
    static bool answers(SimBoard &board);
    bool sameDescription(const BoardUnit &other) const;
};
