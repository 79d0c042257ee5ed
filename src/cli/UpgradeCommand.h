#pragma once
#include "cli/CliCommand.h"

// upgrade PACKAGE [--board-info-only]: the Upgrade Firmware page's run over
// a ".fw2" package or a ".fw" file, every board it can serve checked.
CliExit RunUpgradeCommand(CliOptions &options, const QStringList &arguments, CliStreams &io);
