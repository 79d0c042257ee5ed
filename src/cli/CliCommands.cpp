#include "cli/CliCommand.h"
#include "cli/DeviceCommands.h"
#include "cli/EdidDecodeCommand.h"
#include "cli/EdidTransferCommands.h"
#include "cli/InfoCommand.h"
#include "cli/RouteCommand.h"
#include "cli/UpgradeCommand.h"

const QList<CliCommand> &CliCommands() {
    static const QList<CliCommand> commands = {
        {{QStringLiteral("status")}, 0, true, RunStatus},
        {{QStringLiteral("power")}, 1, true, RunPower},
        {{QStringLiteral("edid"), QStringLiteral("read")}, 2, true, RunEdidRead},
        {{QStringLiteral("edid"), QStringLiteral("write")}, 2, true, RunEdidWrite},
        {{QStringLiteral("edid"), QStringLiteral("decode")}, 1, false, RunEdidDecode},
        {{QStringLiteral("route")}, 2, true, RunRoute},
        {{QStringLiteral("info")}, 0, true, RunInfo},
        {{QStringLiteral("upgrade")},
         1,
         true,
         RunUpgradeCommand,
         {QStringLiteral("--board-info-only")}},
    };
    return commands;
}
