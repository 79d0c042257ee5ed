#pragma once
// --trace FILE for matrix-cli: the same frame trace the window writes.

#include "cli/CliExit.h"

#include <QString>
#include <QTextStream>

class TTSCOMControl;

// Call once the engine exists and before it connects. An empty path does
// nothing; a file that cannot be written is reported on `err` as bad input.
CliExit AttachFrameTrace(TTSCOMControl &engine, const QString &path, QTextStream &err);
