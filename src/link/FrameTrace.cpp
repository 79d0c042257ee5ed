#include "link/FrameTrace.h"

#include "link/TSCOMControl.h"
#include "link/Transport.h"
#include "protocol/CommandNames.h"
#include "protocol/Frames.h"
#include "protocol/LdcdPacket.h"

#include <algorithm>
#include <cstring>

namespace {

QString hex(const uint8_t *b, int count) {
    const int shown = std::min(count, FrameTrace::MaxHexBytes);
    QString text;
    text.reserve(shown * 3 + 16);
    for (int i = 0; i < shown; ++i) {
        if (i > 0)
            text += QLatin1Char(' ');
        text += QStringLiteral("%1").arg(b[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    if (count > shown)
        text += QStringLiteral(" ... (%1 more)").arg(count - shown);
    return text;
}

QString hex4(uint16_t v) {
    return QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0')).toUpper();
}

QString params(const uint8_t *f) {
    const Frame frame = Frame::fromBytes(f);
    return QStringLiteral("P1=%1 P2=%2 P3=%3 P4=%4")
        .arg(hex4(frame.param(1)), hex4(frame.param(2)), hex4(frame.param(3)),
             hex4(frame.param(4)));
}

bool startsFrame(const QByteArray &bytes) {
    return bytes.size() >= FrameSize && uint8_t(bytes[0]) == FrameStart1 &&
           uint8_t(bytes[1]) == FrameStart2;
}

bool isLdcd(const QByteArray &bytes) {
    return bytes.size() == LdcdPacket::Size &&
           std::memcmp(bytes.constData(), LdcdPacket::Signature, sizeof LdcdPacket::Signature) == 0;
}

} // namespace

FrameTrace::FrameTrace(QObject *parent) : QObject(parent) {}

FrameTrace::~FrameTrace() {
    if (FFile.isOpen())
        FFile.close();
}

bool FrameTrace::open(const QString &path, QString *error) {
    FFile.setFileName(path);
    if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (error)
            *error =
                QStringLiteral("Cannot write the trace file %1: %2").arg(path, FFile.errorString());
        return false;
    }
    return true;
}

void FrameTrace::follow(TTSCOMControl *engine) {
    connect(engine, &TTSCOMControl::wireSent, this, &FrameTrace::sent);
    connect(engine, &TTSCOMControl::wireReplyReceived, this, &FrameTrace::received);
    connect(engine, &TTSCOMControl::wireStrayReceived, this, &FrameTrace::stray);
    connect(engine, &TTSCOMControl::connectionChanged, this, [this, engine](bool connected) {
        const Transport *t = engine->transport();
        const QString where = t ? t->peerName() : QString();
        note(connected ? QStringLiteral("link opened: ") + where
                       : QStringLiteral("link closed: ") + where);
    });
    connect(engine, &TTSCOMControl::connectFailed, this, [this](bool, const QString &reason) {
        note(QStringLiteral("link failed: ") + reason);
    });
    connect(engine, &TTSCOMControl::connectionLost, this,
            [this](const QString &reason) { note(QStringLiteral("link lost: ") + reason); });
    // The link's own notes (the serial line's low-latency mode).
    connect(engine, &TTSCOMControl::linkNote, this, &FrameTrace::note);
}

bool FrameTrace::Attach(TTSCOMControl &engine, const QString &path, QString *error) {
    auto *trace = new FrameTrace(&engine);
    if (!trace->open(path, error)) {
        delete trace;
        return false;
    }
    trace->follow(&engine);
    return true;
}

QString FrameTrace::Describe(const char *direction, const QByteArray &bytes) {
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    const int n = static_cast<int>(bytes.size());
    const bool tx = qstrcmp(direction, "TX") == 0;
    QString what;
    if (isLdcd(bytes)) {
        what = QStringLiteral("module LDCD packet (%1 bytes)").arg(n);
    } else if (startsFrame(bytes) && n == FrameSize) {
        what = (tx ? QStringLiteral("frame  ") : QStringLiteral("reply  ")) +
               CommandName(b[2], b[3]) + QLatin1Char(' ') + params(b);
        if (FrameChecksum(b) != b[12])
            what += QStringLiteral(" BAD CHECKSUM");
    } else if (startsFrame(bytes) && n > FrameSize) {
        // A data packet: a frame header, the block checksum, then the data.
        const int length = b[6] | (b[7] << 8);
        what = QStringLiteral("packet ") + CommandName(b[2], b[3]) + QStringLiteral(" status=") +
               StatusName(b[4]) +
               QStringLiteral(" data=%1 bytes (%2 on the wire)").arg(length).arg(n);
        if (FrameChecksum(b) != b[12])
            what += QStringLiteral(" BAD HEADER CHECKSUM");
        else if (length <= BlockDataMax && FrameSize + 1 + length <= n &&
                 BlockChecksum(b + FrameSize + 1, std::size_t(length)) != b[FrameSize])
            what += QStringLiteral(" BAD BLOCK CHECKSUM");
    } else {
        what = QStringLiteral("bytes  %1 not a frame").arg(n);
    }
    return QLatin1String(direction) + QLatin1Char(' ') + what + QStringLiteral(" | ") + hex(b, n);
}

void FrameTrace::sent(const QByteArray &bytes) {
    writeLine(Describe("TX", bytes));
}

void FrameTrace::received(const QByteArray &bytes) {
    writeLine(Describe("RX", bytes));
}

void FrameTrace::stray(const QByteArray &bytes) {
    const auto *b = reinterpret_cast<const uint8_t *>(bytes.constData());
    writeLine(QStringLiteral("RX stray %1 bytes while no exchange waited | ").arg(bytes.size()) +
              hex(b, static_cast<int>(bytes.size())));
}

void FrameTrace::note(const QString &text) {
    writeLine(QStringLiteral("-- ") + text);
}

void FrameTrace::writeLine(const QString &text) {
    if (!FFile.isOpen())
        return;
    const QString stamp = Clock().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    FFile.write((stamp + QLatin1Char(' ') + text + QLatin1Char('\n')).toUtf8());
    FFile.flush();
}
