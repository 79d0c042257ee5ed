#pragma once
#include "cli/CliCommand.h"

// info: the product information, every board of the unit as the Product
// Information page reads it; text is the page's "Display All" report.
CliExit RunInfo(CliOptions &options, const QStringList &arguments, CliStreams &io);
