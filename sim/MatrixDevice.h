#pragma once
// The matrix as a byte-in/bytes-out model: feed it what the host sent, get
// back what the matrix answers (with the delays and hang-ups the transport
// must honour). No I/O, no threads, no locks: the simulator serialises calls.
//
// Every connection the matrix talks over is a session with its own receive
// buffer and transfer state; the device state, the fault plan and the frame
// log are shared. Session 0 always exists and is a serial session.

#include "MatrixState.h"
#include "SimTypes.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <deque>
#include <functional>
#include <memory>
#include <random>

// One piece of output: wait `delayMs` after the previous piece has gone (or
// after the input that caused it), then send `bytes`; `hangUp` ends the
// connection instead.
struct SimOutput {
    QByteArray bytes;
    int delayMs = 0;
    bool hangUp = false;
};

class MatrixDevice {
public:
    explicit MatrixDevice(const SimOptions &options = SimOptions());
    ~MatrixDevice();

    MatrixState &state() { return m_state; }
    const MatrixState &state() const { return m_state; }

    // Sessions. A serial session also answers LDCD packets (the TCP control
    // module listens on the matrix's serial port).
    int openSession(bool serial);
    void closeSession(int session);
    // Drops a session's partial input and transfer state (a new client).
    void resetSession(int session);

    QList<SimOutput> feed(int session, const QByteArray &bytes);
    // Test convenience: feed session 0 and join the reply bytes, ignoring delays.
    QByteArray transact(const QByteArray &bytes);

    void setFaults(const FaultSettings &faults);
    FaultSettings faults() const { return m_faults; }
    void queueFault(FaultKind kind, int count = 1);
    void clearFaults();
    // Faults applied so far, in order (None is not recorded).
    QList<FaultKind> appliedFaults() const { return m_applied; }

    void setProcessingDelay(int ms) { m_processingDelayMs = ms; }
    int processingDelay() const { return m_processingDelayMs; }

    // Monotonic milliseconds; tests may substitute their own clock.
    void setClock(std::function<qint64()> clock);
    qint64 now() const;
    // While rebooting the matrix ignores everything it receives.
    bool rebooting() const;
    void reboot(int ms);

    QList<QByteArray> frameLog() const { return m_frameLog; }
    void clearFrameLog() { m_frameLog.clear(); }

private:
    struct Session;

    Session *session(int id);
    void process(Session &s, QList<SimOutput> &out);
    void logSilently(Session &s);
    bool takeDataPacket(Session &s, QList<SimOutput> &out, bool *needMore);
    void handleFrame(Session &s, const QByteArray &frame, QList<SimOutput> &out);
    void handleLdcd(Session &s, const QByteArray &packet, QList<SimOutput> &out);
    void handleBlockRequest(Session &s, const QByteArray &frame, QList<SimOutput> &out);
    void handleEdidPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out);
    void handleUploadPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out);
    void handleBoardFrame(Session &s, const QByteArray &frame, QList<SimOutput> &out);
    void handleBoardPacket(Session &s, const QByteArray &packet, QList<SimOutput> &out);
    // The board an upload frame or packet of this session is for, when the unit has it.
    SimBoard *uploadBoard(const Session &s, const QByteArray &frame, bool running);
    QByteArray execute(Session &s, const QByteArray &frame, bool *reboot);
    QByteArray executeEdid(Session &s, const QByteArray &frame);
    QByteArray executeUpload(Session &s, const QByteArray &frame);
    void setInputMode(int input, uint16_t mode);
    void commitDownload(Session &s);

    FaultKind nextFault(bool blockPacket, bool ldcd);
    // Applies `fault` to a finished reply and appends the pieces to `out`.
    // Returns whether the host will see the reply as a good one.
    bool sendReply(QByteArray reply, FaultKind fault, Session &s, QList<SimOutput> &out,
                   bool blockPacket = false, bool ldcd = false);
    void log(const QByteArray &bytes);

    MatrixState m_state;
    QHash<int, std::shared_ptr<Session>> m_sessions;
    int m_nextSession = 1;
    FaultSettings m_faults;
    std::deque<FaultKind> m_queued;
    QList<FaultKind> m_applied;
    std::mt19937 m_rng;
    int m_processingDelayMs = 0;
    std::function<qint64()> m_clock;
    qint64 m_rebootUntil = 0;
    QList<QByteArray> m_frameLog;
};
