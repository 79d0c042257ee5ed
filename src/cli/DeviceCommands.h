#pragma once
#include "cli/CliCommand.h"

// status: power, device kind, port counts and firmware version, as the
// General page's "Refresh device status" group reads them.
CliExit RunStatus(CliOptions &options, const QStringList &arguments, CliStreams &io);
// power on|off: the power set, then the state read back.
CliExit RunPower(CliOptions &options, const QStringList &arguments, CliStreams &io);
