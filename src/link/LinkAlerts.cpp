#include "link/LinkAlerts.h"

QString LinkAlerts::FailureText(LinkFailure failure, TControlMode mode) {
    switch (failure) {
    case LinkFailure::TimedOut:
        return QStringLiteral("Time out!");
    case LinkFailure::BadStatus:
        return QStringLiteral("Data invalid!");
    case LinkFailure::Exception:
        return mode == cmCOM ? QStringLiteral("COM access failed!")
                             : QStringLiteral("TCP control failed!");
    case LinkFailure::Invalid:
        break;
    }
    return QStringLiteral("Send data failed!");
}

QString LinkAlerts::ConnectFailureText(TControlMode mode, bool connected, const QString &port,
                                       const QString &address) {
    if (mode == cmCOM)
        return QString(SerialActionWords[connected]) + QStringLiteral(" COM [") + port +
               QStringLiteral("] failed");
    return QString(LANActionWords[connected]) + QStringLiteral(" ") + address +
           QStringLiteral(" failed");
}
