#pragma once
// The words a failure of the link is shown with: the window's blinking
// status text and matrix-cli's error line say the same.

#include "link/LinkEvents.h"
#include "protocol/Commands.h"

#include <QString>

class LinkAlerts {
public:
    // "Time out!", "Data invalid!", "COM access failed!" / "TCP control
    // failed!", "Send data failed!".
    static QString FailureText(LinkFailure failure, TControlMode mode);
    // "Open COM [port] failed" / "Close COM [port] failed", or "Connect
    // address failed" / "Disconnect address failed"; `connected` is the
    // state the link is in now (a failed close leaves it open).
    static QString ConnectFailureText(TControlMode mode, bool connected, const QString &port,
                                      const QString &address);
};
