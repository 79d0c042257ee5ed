#include "SimTypes.h"

namespace {

struct KindName {
    FaultKind kind;
    const char *name;
};

const KindName KindNames[] = {
    {FaultKind::DropReply, "drop"},     {FaultKind::CorruptChecksum, "checksum"},
    {FaultKind::StatusFF, "status"},    {FaultKind::WrongEcho, "echo"},
    {FaultKind::SplitReply, "split"},   {FaultKind::StrayBytes, "stray"},
    {FaultKind::DelayReply, "delay"},   {FaultKind::CloseConnection, "close"},
    {FaultKind::CorruptBlock, "block"},
};

} // namespace

QString faultKindName(FaultKind kind) {
    for (const auto &entry : KindNames)
        if (entry.kind == kind)
            return QString::fromLatin1(entry.name);
    return QStringLiteral("none");
}

bool parseFaultKind(const QString &name, FaultKind *kind) {
    const QString wanted = name.trimmed().toLower();
    for (const auto &entry : KindNames) {
        if (wanted == QLatin1String(entry.name)) {
            *kind = entry.kind;
            return true;
        }
    }
    if (wanted == QLatin1String("none")) {
        *kind = FaultKind::None;
        return true;
    }
    return false;
}

QList<FaultKind> allFaultKinds() {
    QList<FaultKind> kinds;
    for (const auto &entry : KindNames)
        kinds << entry.kind;
    return kinds;
}
