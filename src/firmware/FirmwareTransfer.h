#pragma once
// Carries the data of one firmware part into the matrix, and waits for the
// matrix to come back from its reboot. Every step is an exchange of the
// engine; progress, refusals and the reboot texts are reported through typed
// signals, failures of the link through the engine's own.

#include "protocol/Frames.h"
#include "protocol/PartId.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class TTSCOMControl;

class FirmwareTransfer : public QObject {
    Q_OBJECT
public:
    explicit FirmwareTransfer(TTSCOMControl *engine, QObject *parent = nullptr);

    TTSCOMControl *engine() const { return FEngine; }

    // The starting frame carries the part (command code, sub-code, P1 low
    // byte: sub-number, P2 low byte: third number, P3/P4 low bytes: version).
    // Packets of 14 + n bytes.
    void UploadPart(const Frame &start, const QByteArray &data, TReplyRecord &reply);
    // Two preparation steps, then 270-byte packets; a main-board part ends
    // with the reboot wait.
    void UploadPartPrepared(const Frame &start, const QByteArray &data, TReplyRecord &reply);
    // Probes until the matrix answers (success) or gives up.
    void WaitReboot(TReplyRecord &reply);
    // The extra delay after the reboot check.
    void WaitAfterReboot();

    // "Wait After Checking Reboot", seconds 0..300.
    int AfterRebootDelay = 0;
    // The last upload ended with the part refused.
    bool PartRefused() const { return FPartRefused; }

signals:
    void partRefused(PartId part, PartVersion version);
    // A block was accepted: percent of the part's bytes now in the matrix.
    void partProgress(PartId part, int percent);
    // The part's data is all in (prepared uploads carry the part and version).
    void partDone(PartId part, PartVersion version);
    // Reboot progress: `repeating` texts replace the previous line of their kind.
    void upgradeLog(const QString &text, bool repeating);

private:
    bool startUpload(const Frame &start, TReplyRecord &reply, bool withThird);
    bool prepareStep(const Frame &start, int step, TReplyRecord &reply);
    bool sendBlocks(const Frame &start, const QByteArray &data, TReplyRecord &reply, bool prepared);

    TTSCOMControl *FEngine;
    bool FPartRefused = false;
};
