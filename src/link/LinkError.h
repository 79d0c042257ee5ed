#pragma once
// Error raised by the serial and LAN links; the engine turns it into its
// notifications (connect failure, link exception).

#include <QString>
#include <stdexcept>

class LinkError : public std::runtime_error {
public:
    explicit LinkError(const QString &message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString &message() const { return FMessage; }

private:
    QString FMessage;
};
