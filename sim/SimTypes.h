#pragma once
// Options and fault descriptions shared by the device model, the transports
// and the simulator facade.

#include <QList>
#include <QString>

struct SimOptions {
    bool tcp = true;
    QString tcpHost = QStringLiteral("127.0.0.1");
    quint16 tcpPort = 0; // 0: any free port (see tcpPort())
    bool pty = false;
    QString ptyLink;  // optional symlink to the pseudo-terminal's path
    int baud = 57600; // pacing on the pseudo-terminal, 8N1 (10 bits a byte)
    bool pace = true;
    int processingDelayMs = 0; // per command
    quint32 seed = 1;
    // Outputs are preloaded from the 256-byte *.bin files here, sorted by name.
    // Empty: the sample folder MATRIXSIM_DEFAULT_EDID_DIR; "-": built-in EDIDs only.
    QString edidDir;
};

enum class FaultKind {
    None,
    DropReply,       // swallow the reply
    CorruptChecksum, // flip the frame checksum of the reply
    StatusFF,        // answer with status 0xFF
    WrongEcho,       // answer with another command's echo
    SplitReply,      // deliver the reply in several pieces
    StrayBytes,      // append stray bytes after the reply
    DelayReply,      // hold the reply for FaultSettings::delayMs
    CloseConnection, // close the TCP connection (pty: hang up) instead of answering
    CorruptBlock,    // block read: corrupt the block checksum of a data packet
};

struct FaultSettings {
    // Probability (0..1) that a reply gets a random fault from `kinds`.
    // An empty `kinds` list means every kind except CloseConnection.
    double rate = 0.0;
    QList<FaultKind> kinds;
    int delayMs = 0;
    int splitGapMs = 10; // pause between the pieces of a split reply
};

// Names used on the command line and in logs ("drop", "checksum", ...).
QString faultKindName(FaultKind kind);
// Parses one name; returns false for an unknown name.
bool parseFaultKind(const QString &name, FaultKind *kind);
QList<FaultKind> allFaultKinds();
