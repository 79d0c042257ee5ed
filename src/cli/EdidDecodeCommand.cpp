#include "cli/EdidDecodeCommand.h"

#include "control/EdidDecoder.h"
#include "control/EdidJson.h"

#include <QFile>
#include <QJsonDocument>

namespace {
// Larger than any EDID the decoder reads; a bigger file is not an EDID.
constexpr qint64 kMaxEdidFile = 64 * 1024;
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
    if (options.json)
        io.out << QJsonDocument(EdidInfoToJson(info)).toJson(QJsonDocument::Compact) << Qt::endl;
    else
        io.out << FormatEdidInfo(info) << Qt::endl;
    return info.headerValid ? CliExit::Success : CliExit::BadInput;
}
