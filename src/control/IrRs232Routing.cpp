#include "control/IrRs232Routing.h"

namespace IrRs232Routing {

namespace {
QStringList remoteEntries() {
    QStringList items;
    for (int n = 1; n <= Ports; ++n)
        items << QStringLiteral("Remote HDBT Transmitter %1").arg(n);
    for (int n = 1; n <= Ports; ++n)
        items << QStringLiteral("Remote HDBT Receiver %1").arg(n);
    return items;
}
} // namespace

QStringList RemoteRxIrItems() {
    QStringList items;
    for (int n = 1; n <= Ports; ++n)
        items << QStringLiteral("Local IR In %1").arg(n);
    return items;
}

QStringList GlobalRs232Items() {
    return QStringList{QStringLiteral("Matrix only")} + remoteEntries();
}

QStringList LocalRs232Items() {
    return QStringList{QStringLiteral("Not Connect")} + remoteEntries();
}

uint8_t Mask(const std::array<bool, Ports> &boxes) {
    uint8_t mask = 0;
    for (int k = 0; k < Ports; ++k)
        if (boxes[k])
            mask |= uint8_t(1u << k);
    return mask;
}

std::array<bool, Ports> Boxes(uint8_t mask) {
    std::array<bool, Ports> boxes{};
    for (int k = 0; k < Ports; ++k)
        boxes[k] = (mask >> k) & 1;
    return boxes;
}

uint8_t &RowMask(ControlRequests::IrRows &rows, Row row) {
    switch (row) {
    case Row::RemoteTx:
        return rows.remoteTx;
    case Row::Local:
        return rows.local;
    case Row::RemoteRx:
        break;
    }
    return rows.remoteRx;
}

uint8_t RowMask(const ControlRequests::IrRows &rows, Row row) {
    return RowMask(const_cast<ControlRequests::IrRows &>(rows), row);
}

} // namespace IrRs232Routing
