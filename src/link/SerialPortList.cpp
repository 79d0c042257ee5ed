#include "link/SerialPortList.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

SerialPortList::SerialPortList(const QStringList &paths) {
    for (const QString &p : paths)
        Entries.append({p, p});
}

QString SerialPortList::Label(const PortFacts &port) {
    QString label = port.portName.isEmpty() ? port.systemLocation : port.portName;
    const QString description = port.description.trimmed();
    if (!description.isEmpty()) {
        label += QStringLiteral(" \u2014 ") + description;
        if (!port.serialNumber.trimmed().isEmpty())
            label += QStringLiteral(" (") + port.serialNumber.trimmed() + QLatin1Char(')');
    }
    return label;
}

SerialPortList SerialPortList::Build(const QList<PortFacts> &ports,
                                     const QMap<QString, QString> &byId) {
    SerialPortList list;
    for (const PortFacts &port : ports) {
        const QString path = byId.value(port.systemLocation, port.systemLocation);
        bool known = false;
        for (const SerialPortEntry &e : list.Entries)
            known = known || e.path == path;
        if (!known)
            list.Entries.append({path, Label(port)});
    }
    return list;
}

QMap<QString, QString> SerialPortList::ByIdLinks(const QString &folder) {
    QMap<QString, QString> links;
    const QDir dir(folder);
    for (const QFileInfo &link :
         dir.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty() && !links.contains(device))
            links.insert(device, link.absoluteFilePath());
    }
    return links;
}

SerialPortList SerialPortList::System() {
    QList<PortFacts> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append(
            {info.portName(), info.systemLocation(), info.description(), info.serialNumber()});
    return Build(ports, ByIdLinks());
}
