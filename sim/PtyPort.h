#pragma once
// The matrix's serial port as a pseudo-terminal. The host opens the slave side
// like any serial device; this side keeps the master and a slave handle of its
// own (so that hosts may come and go). A thread of its own paces the line in
// both directions at the set baud rate (8N1: 10 bits a byte) against absolute
// deadlines of a monotonic clock: a received byte reaches the device only when
// it would have finished arriving on a real line, and reply bytes leave no
// faster than the line allows.

#include "MatrixDevice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <thread>

class PtyPort {
public:
    // Called on the port's thread with the bytes whose wire time has passed;
    // returns what the device answers.
    using Handler = std::function<QList<SimOutput>(const QByteArray &)>;

    PtyPort(int baud, bool pace, Handler handler);
    ~PtyPort();

    // Creates the pseudo-terminal (raw mode) and starts the thread. `link`, when
    // not empty, becomes a symbolic link to the slave path (an old link there is
    // replaced; any other file is left alone and is an error).
    bool open(const QString &link, QString *error);
    void close();

    QString path() const { return m_path; }
    QString link() const { return m_link; }
    int baud() const { return m_baud; }
    // Wire time of one byte in nanoseconds (0 when not pacing).
    qint64 byteNs() const;

private:
    void run();

    int m_baud;
    bool m_pace;
    Handler m_handler;
    int m_master = -1;
    int m_slave = -1;
    int m_wake = -1; // eventfd that stops the thread
    QString m_path;
    QString m_link;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
