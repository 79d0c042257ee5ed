#include "cli/EdidDecodeCommand.h"

#include "control/EdidDecoder.h"
#include "control/EdidJson.h"
#include "control/EdidView.h"

#include <QFile>
#include <QJsonDocument>

namespace {
// Larger than any EDID (256 blocks of 128 bytes); a bigger file is not an EDID.
constexpr qint64 kMaxEdidFile = qint64(EdidMaxBlocks) * 128;
} // namespace

CliExit RunEdidDecode(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    QFile file(arguments.at(0));
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "cannot read " << arguments.at(0) << ": " << file.errorString() << Qt::endl;
        return CliExit::BadInput;
    }
    if (file.size() > kMaxEdidFile) {
        io.err << arguments.at(0) << " is " << file.size() << " bytes; not an EDID" << Qt::endl;
        return CliExit::BadInput;
    }
    const QByteArray bytes = file.read(kMaxEdidFile);
    const EdidInfo info = DecodeEdid(bytes);
    if (!info.headerValid) {
        io.err << arguments.at(0) << " is not an EDID: it does not start with the EDID header"
               << Qt::endl;
        return CliExit::BadInput;
    }
    if (options.json)
        io.out << QJsonDocument(EdidInfoToJson(info)).toJson(QJsonDocument::Compact) << Qt::endl;
    else
        io.out << FormatEdidInfo(info) << Qt::endl;
    return CliExit::Success;
}
