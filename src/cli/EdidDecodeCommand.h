#pragma once
#include "cli/CliCommand.h"

// edid decode FILE: the decoded view of an EDID file, as text or JSON.
CliExit RunEdidDecode(CliOptions &options, const QStringList &arguments, CliStreams &io);
