#include "cli/CliCommand.h"
#include "cli/EdidDecodeCommand.h"

const QList<CliCommand> &CliCommands() {
    static const QList<CliCommand> commands = {
        {{QStringLiteral("edid"), QStringLiteral("decode")}, 1, false, RunEdidDecode},
    };
    return commands;
}
