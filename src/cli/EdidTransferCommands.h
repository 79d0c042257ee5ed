#pragma once
#include "cli/CliCommand.h"

// edid read PORT FILE: the EDID of an output or a user memory into FILE
// (256 bytes, written atomically), refused when it is no EDID.
CliExit RunEdidRead(CliOptions &options, const QStringList &arguments, CliStreams &io);
// edid write FILE PORT: FILE, checked as the EDID page checks an opened
// file, downloaded to an input, every input or a user memory.
CliExit RunEdidWrite(CliOptions &options, const QStringList &arguments, CliStreams &io);
