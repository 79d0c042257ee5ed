#include "boardinfo/BoardInfoNode.h"

QString BoardNameText(const QByteArray &nameBytes) {
    const qsizetype end = nameBytes.indexOf('\0');
    return QString::fromLatin1(end < 0 ? nameBytes : nameBytes.left(end));
}

QString BoardInfoNode::NameText() const {
    return BoardNameText(Name);
}

void BoardInfoNode::setNameText(const QString &text) {
    if (text.isEmpty()) {
        Name.clear();
        return;
    }
    Name = text.left(BoardNameMaxChars).toLatin1();
    Name.append('\0');
}

bool BoardInfoNode::operator==(const BoardInfoNode &o) const {
    return IncludeBoardInfo == o.IncludeBoardInfo && Name == o.Name && PCBType == o.PCBType &&
           MCUType == o.MCUType && Solution == o.Solution && Quantity == o.Quantity &&
           PCBVersion == o.PCBVersion && OverwriteSpecialCode == o.OverwriteSpecialCode &&
           SpecialCode == o.SpecialCode && PCBVersionFrom == o.PCBVersionFrom &&
           PCBVersionTo == o.PCBVersionTo && DefaultFirmware == o.DefaultFirmware &&
           Ver1 == o.Ver1 && Ver2 == o.Ver2 && FirmwareFile == o.FirmwareFile;
}
