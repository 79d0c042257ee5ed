#pragma once
// Helpers of the link tests: a listener that records the engine's
// notifications, and a fixture that runs the simulator and an engine linked to
// it over TCP on 127.0.0.1 or over the simulator's pseudo-terminal.

#include "LinkTap.h"
#include "MatrixSimulator.h"
#include "MatrixState.h"
#include "firmware/FirmwareTransfer.h"
#include "link/LinkMessages.h"
#include "link/LinkTiming.h"
#include "link/TSCOMControl.h"
#include "protocol/Requests.h"

#include <QList>
#include <QString>
#include <QtTest>

#include <functional>
#include <memory>

struct LinkNote {
    int message;
    uint32_t wParam;
    int32_t lParam;
    QString text;
};

// Records every notification except the diagnostic ones (their count is kept).
class LinkRecorder {
public:
    void linkMessage(int message, uint32_t wParam, int32_t lParam, const QString &text) {
        if (message == WM_LINK_RXCOUNT || message == WM_LINK_FRAMELOG ||
            message == WM_LINK_DATALOG) {
            ++diagnostics;
            if (message != WM_LINK_RXCOUNT)
                logs.append({message, wParam, lParam, text});
        } else {
            notes.append({message, wParam, lParam, text});
        }
        if (hook)
            hook(message, wParam, lParam, text);
    }

    int count(int message) const {
        int n = 0;
        for (const LinkNote &note : notes)
            n += note.message == message ? 1 : 0;
        return n;
    }
    QList<LinkNote> all(int message) const {
        QList<LinkNote> out;
        for (const LinkNote &note : notes) {
            if (note.message == message)
                out.append(note);
        }
        return out;
    }
    // Messages other than progress/done/log texts: the ones the window alerts on.
    QList<int> alerts() const {
        QList<int> out;
        for (const LinkNote &note : notes) {
            if (note.message == WM_LINK_TIMEOUT || note.message == WM_LINK_INVALID ||
                note.message == WM_LINK_BADSTATUS || note.message == WM_LINK_EXCEPTION ||
                note.message == WM_LINK_CONNFAIL)
                out.append(note.message);
        }
        return out;
    }
    void clear() {
        notes.clear();
        logs.clear();
        diagnostics = 0;
    }

    QList<LinkNote> notes;
    QList<LinkNote> logs; // frame and data log lines
    int diagnostics = 0;
    std::function<void(int, uint32_t, int32_t, const QString &)> hook;
};

// One simulator (TCP and pseudo-terminal) and one engine on the test thread.
class LinkFixture {
public:
    // serial: talk over the pseudo-terminal (paced at 57600 baud), else TCP.
    bool open(bool serial, const SimOptions &base = SimOptions()) {
        close();
        SimOptions options = base;
        options.tcp = true;
        options.pty = true;
        sim = std::make_unique<MatrixSimulator>(options);
        QString error;
        if (!sim->start(&error)) {
            qWarning("simulator did not start: %s", qPrintable(error));
            return false;
        }
        engine = std::make_unique<TTSCOMControl>();
        firmware = std::make_unique<FirmwareTransfer>(engine.get());
        TapEngine(engine.get(), &recorder, firmware.get());
        if (serial) {
            engine->setControlMode(cmCOM);
            engine->setComPort(sim->ptyPath());
        } else {
            engine->setControlMode(cmLAN);
            engine->setDeviceIP(QStringLiteral("127.0.0.1"));
            engine->setTcpPort(sim->tcpPort());
        }
        if (!engine->Connect()) {
            qWarning("engine did not connect: %s", qPrintable(engine->LastLinkError()));
            return false;
        }
        sim->clearFrameLog();
        recorder.clear();
        return true;
    }

    void close() {
        if (engine) {
            UntapEngine(engine.get());
            firmware.reset();
            engine.reset();
        }
        if (sim) {
            sim->stop();
            sim.reset();
        }
        recorder.clear();
        recorder.hook = nullptr;
    }

    ~LinkFixture() { close(); }

    // Frames and packets the device received, in order.
    QList<QByteArray> frames() const { return sim->frameLog(); }

    // Starting frames of a block transfer, as the EDID page sends them.
    static Frame EdidRead(uint16_t address) { return Requests::edidRead(address); }
    static Frame EdidDownload(uint16_t address) { return Requests::edidDownload(address, false); }
    static Frame EdidPrelude() { return Requests::edidPrelude(); }

    // Prelude and block write of `data` to `address`; returns the success flag.
    bool download(uint16_t address, const QByteArray &data, TReplyRecord *out = nullptr) {
        TReplyRecord reply;
        engine->Transact(EdidPrelude(), reply);
        if (!reply.ok())
            return false;
        engine->WriteBlocks(EdidDownload(address), data, reply);
        if (out)
            *out = reply;
        return reply.ok();
    }

    bool read(uint16_t address, QByteArray *data, TReplyRecord *out = nullptr) {
        TReplyRecord reply;
        *data = engine->ReadBlocks(EdidRead(address), reply);
        if (out)
            *out = reply;
        return reply.ok();
    }

    std::unique_ptr<MatrixSimulator> sim;
    std::unique_ptr<TTSCOMControl> engine;
    std::unique_ptr<FirmwareTransfer> firmware;
    LinkRecorder recorder;
};

inline QByteArray PatternBytes(int size, int seed) {
    QByteArray data(size, '\0');
    uint32_t x = 0x9E3779B9u * static_cast<uint32_t>(seed + 1);
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        data[i] = static_cast<char>(x & 0xFF);
    }
    return data;
}

inline uint16_t P1Of(const QByteArray &frame) {
    return static_cast<uint16_t>(static_cast<uint8_t>(frame[4]) |
                                 (static_cast<uint8_t>(frame[5]) << 8));
}
