#pragma once
// A frame trace a support engineer can read: one line for every frame and
// data packet the engine sends or collects, with a time stamp, the direction,
// the command's name (from the protocol's names), its parameters (the status
// of a data packet) and the bytes in hex. Bytes that arrive while no exchange
// waits get a line of their own, and so do opening, closing and losing the link.
//
//   2026-12-09 15:50:01.123 TX frame  Power/Get P1=00FE P2=0000 P3=9B41 P4=64C7 | A5 5B 10 01 ..
//   2026-12-09 15:50:01.131 RX reply  Power/Get P1=000F P2=0000 P3=0000 P4=0000 | A5 5B 10 01 ..
//
// Attachable to any engine (the window's, matrix-cli's); the trace belongs to
// the engine it is attached to. Each line is flushed as it is written, so a
// trace read while the tool runs (or after it crashed) holds everything sent.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <functional>

class TTSCOMControl;

class FrameTrace : public QObject {
    Q_OBJECT
public:
    explicit FrameTrace(QObject *parent = nullptr);
    ~FrameTrace() override;

    // Opens (creates or empties) the trace file; false with the reason.
    bool open(const QString &path, QString *error = nullptr);
    QString fileName() const { return FFile.fileName(); }
    // Follows the engine's writes, replies, stray bytes and link changes.
    void follow(TTSCOMControl *engine);

    // A trace file at `path` that follows `engine` (and is deleted with it).
    static bool Attach(TTSCOMControl &engine, const QString &path, QString *error = nullptr);

    // The text of one line without its time stamp (direction "TX" or "RX").
    static QString Describe(const char *direction, const QByteArray &bytes);
    // Where the time stamps come from (tests fix it).
    std::function<QDateTime()> Clock = [] { return QDateTime::currentDateTime(); };

    void sent(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    void stray(const QByteArray &bytes);
    void note(const QString &text);

    // Longest data shown in hex per line; the count always tells the whole size.
    static constexpr int MaxHexBytes = 270;

private:
    void writeLine(const QString &text);
    QFile FFile;
};
