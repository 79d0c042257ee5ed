#pragma once
// How the unit's boards answer the per-board commands: boot-code information,
// board-information reads (a start frame, then one 270-byte packet per
// request) and writes (a start frame, then packets of 14 + n bytes, each
// acknowledged). Bytes in, bytes out over a BoardUnit; the transfer state of
// one connection lives in its BoardTransfer. The device model applies faults,
// silence and logging around it.

#include "BoardUnit.h"

#include <QByteArray>

// The board-information transfer running on one connection.
struct BoardTransfer {
    enum class Mode { Idle, Read, Write };
    Mode mode = Mode::Idle;
    uint8_t pcbType = 0;
    uint8_t subIndex = 0;
    // Read: the block being sent, where the last packet started and its length.
    QByteArray data;
    int sentAt = 0;
    int sentLength = 0;
    // Write: the fields of the start frame, the announced length, what came.
    BoardInfoFields fields;
    int total = 0;
    QByteArray staging;
    bool complete = false;

    void clear() { *this = BoardTransfer(); }
};

class BoardResponder {
public:
    // A frame of the per-board commands (boot-code information, board-information
    // read and write).
    static bool isBoardFrame(const QByteArray &frame);
    // A board-information read request: answered with a 270-byte packet.
    static bool answersWithPacket(const QByteArray &frame);
    // The wire length of the board-information write packet at the front of
    // `rx`: 0 when there is none, -1 while bytes are missing. A header whose
    // length is not 1..256 is taken alone (13 bytes).
    static int writePacketLength(const QByteArray &rx);
    // The board a frame or packet names in P1; null when the unit has none.
    static SimBoard *addressee(BoardUnit &unit, const QByteArray &frame);

    // The answer to a frame. `rejected`: the answer will reach the host as a
    // refusal, so nothing is carried out.
    static QByteArray answerFrame(BoardUnit &unit, BoardTransfer &t, const QByteArray &frame,
                                  bool rejected);
    // The acknowledgement of a write packet; the block is stored when its
    // last packet is taken.
    static QByteArray answerWritePacket(BoardUnit &unit, BoardTransfer &t, const QByteArray &packet,
                                        bool rejected);
};
