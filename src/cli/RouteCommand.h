#pragma once
#include "cli/CliCommand.h"

// route OUTPUT INPUT: the routing view's single switch (work mode checked
// first), then the routing read back.
CliExit RunRoute(CliOptions &options, const QStringList &arguments, CliStreams &io);
