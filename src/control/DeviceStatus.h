#pragma once
// The device status the General page shows, without widgets: the power read
// (which keeps AppContext::PowerOn), the power set with its read-back, and
// the device information (kind, port counts, firmware version) with the
// texts of the "Refresh device status" group. The page and matrix-cli both
// run these.

#include "app/AppContext.h"

#include <QString>

class DeviceStatus {
public:
    struct Info {
        bool singleBoardModel = false; // the model that reports its own name
        int deviceId = 0;
        int inputs = 0;
        int outputs = 0;
        int major = 0;
        int minor = 0;
    };

    // Reads the power state into ctx->PowerOn. Done: `on` holds the state;
    // Failed: PowerOn is false and the state is unknown; Refused: nothing
    // was asked and PowerOn is left as it was.
    static RunResult ReadPower(AppContext *ctx, bool &on, TReplyRecord *last = nullptr);
    // Sends power on or off ("Matrix booting ..." / "Power off ..."); the
    // caller reads the state back with ReadPower when it was taken.
    static RunResult SendPower(AppContext *ctx, bool on, TReplyRecord *last = nullptr);
    // `last` receives the reply record of the last command sent.
    // The three device-info queries in order, stopping at the first that
    // does not answer (through RunPoweredCommand: refused while off).
    static RunResult ReadInfo(AppContext *ctx, Info &info, TReplyRecord *last = nullptr);

    // "Device: Kestrel-Matrix" or "Device: Matrix, 8x8".
    static QString DeviceText(const Info &info);
    // "Version: 2.03".
    static QString VersionText(const Info &info);
    // The kind alone ("Kestrel-Matrix", "Matrix") and the version alone ("2.03").
    static QString KindName(const Info &info);
    static QString VersionNumber(const Info &info);

    static const QString PowerOffNote; // Display Status with the unit off
};
