#pragma once
// One matrix-cli command: its words, whether it needs the unit, and what runs it.

#include "cli/CliExit.h"
#include "cli/CliOptions.h"

#include <QStringList>
#include <QTextStream>

struct CliStreams {
    QTextStream &out; // results: text or one JSON object
    QTextStream &err; // progress and errors
};

struct CliCommand {
    QStringList words; // e.g. {"edid", "decode"}
    int argumentCount; // words after the command's own
    bool needsLink;
    CliExit (*run)(CliOptions &options, const QStringList &arguments, CliStreams &io);
    QStringList flags = {}; // flags of the command (e.g. "--board-info-only"), anywhere after it
};

// Every command of the program, in the order the usage lists them.
const QList<CliCommand> &CliCommands();
