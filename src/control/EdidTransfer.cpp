#include "control/EdidTransfer.h"

#include "app/OperationScope.h"
#include "protocol/Requests.h"

namespace {
constexpr int PortCount = 8;

QString squeezed(const QString &text) {
    QString s = text.toLower();
    s.remove(QLatin1Char(' '));
    return s;
}

QList<EdidTransfer::Port> portsOf(EdidTransfer::PortList list) {
    QList<EdidTransfer::Port> ports;
    const bool download = list == EdidTransfer::PortList::Download;
    for (int n = 1; n <= PortCount; ++n)
        ports.append(
            {Requests::EdidAddressOfPort(n), false,
             (download ? QStringLiteral("In ") : QStringLiteral("Out ")) + QString::number(n)});
    if (download)
        ports.append({Requests::EdidAddressAllInputs(), true, QStringLiteral("All Inputs")});
    for (int m = 1; m <= 2; ++m)
        ports.append({Requests::EdidAddressUserMemory(m), false,
                      QStringLiteral("User EDID %1 Memory").arg(m)});
    return ports;
}
} // namespace

QStringList EdidTransfer::PortNames(PortList list) {
    QStringList names;
    for (const Port &p : portsOf(list))
        names << p.name;
    return names;
}

bool EdidTransfer::FindPort(const QString &text, PortList list, Port &port) {
    const QString wanted = squeezed(text);
    for (const Port &p : portsOf(list)) {
        const QString name = squeezed(p.name);
        const bool user = name.startsWith(QLatin1String("useredid"));
        // "useredid1memory" also answers to "user1".
        if (wanted == name || (user && wanted == QStringLiteral("user") + name.at(8))) {
            port = p;
            return true;
        }
    }
    return false;
}

RunResult EdidTransfer::Read(AppContext *ctx, uint16_t address, QByteArray &edid,
                             TReplyRecord &reply) {
    edid.clear();
    reply.clear();
    OperationScope operation(ctx);
    if (!operation)
        return operation.refused() ? RunResult::Refused : RunResult::Failed;
    ctx->ShowStatus(3, QString());
    ctx->ShowStatus(2, QStringLiteral("Reading..."));
    const QByteArray data = ctx->Engine->ReadBlocks(Requests::edidRead(address), reply);
    if (reply.Success == 1) {
        ctx->ShowStatus(2, QStringLiteral("Done"));
        edid = data;
    }
    ctx->ShowStatus(3, QString());
    return reply.Success == 1 ? RunResult::Done : RunResult::Failed;
}

RunResult EdidTransfer::SendPrelude(AppContext *ctx, const QString &caption) {
    TReplyRecord reply;
    return ctx->RunPoweredCommand(caption, Requests::edidPrelude(), reply);
}

RunResult EdidTransfer::Download(AppContext *ctx, const Port &port, const QByteArray &edid,
                                 TReplyRecord &reply) {
    reply.clear();
    const QString caption = QStringLiteral("Downloading...");
    const RunResult prelude = ctx->RunPoweredCommand(caption, Requests::edidPrelude(), reply);
    if (prelude != RunResult::Done)
        return prelude;
    reply.clear();
    OperationScope operation(ctx);
    if (!operation)
        return operation.refused() ? RunResult::Refused : RunResult::Failed;
    ctx->ShowStatus(2, caption);
    ctx->Engine->WriteBlocks(Requests::edidDownload(port.address, port.allInputs), edid, reply);
    if (reply.Success == 1)
        ctx->ShowStatus(2, QStringLiteral("Done"));
    ctx->ShowStatus(3, QString());
    return reply.Success == 1 ? RunResult::Done : RunResult::Failed;
}
