#pragma once
// The serial ports a person can pick, as Linux users expect them: each with
// what it is ("ttyUSB0 — FT232R USB UART (A1B2C3)") and, for a USB adapter,
// the stable /dev/serial/by-id/ path that survives re-plugging and renumbering.
// Widget-free; Build() takes the facts as values so the rules are tested
// without adapters.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct SerialPortEntry {
    QString path;  // what is opened: a by-id link or the device path
    QString label; // what the list shows
    bool operator==(const SerialPortEntry &o) const { return path == o.path && label == o.label; }
};

class SerialPortList {
public:
    // What the system says about one port.
    struct PortFacts {
        QString portName;       // ttyUSB0
        QString systemLocation; // /dev/ttyUSB0
        QString description;    // FT232R USB UART
        QString serialNumber;   // A1B2C3
    };

    SerialPortList() = default;
    // Bare device paths (a pseudo-terminal, a test's ports): each shown as itself.
    SerialPortList(const QStringList &paths); // NOLINT: implicit on purpose
    SerialPortList(const QList<SerialPortEntry> &entries) : Entries(entries) {}

    QList<SerialPortEntry> Entries;

    // One entry per port, in the given order; `byId` maps a device path to
    // its /dev/serial/by-id/ link.
    static SerialPortList Build(const QList<PortFacts> &ports, const QMap<QString, QString> &byId);
    static QString Label(const PortFacts &port);
    // The ports of this machine.
    static SerialPortList System();
    // The /dev/serial/by-id/ links of `folder`, by the device each points to
    // (the first link in name order when there are several).
    static QMap<QString, QString>
    ByIdLinks(const QString &folder = QStringLiteral("/dev/serial/by-id"));
};
