#include "cli/EdidTransferCommands.h"

#include "cli/CliReport.h"
#include "cli/CliSession.h"
#include "control/EdidCheck.h"
#include "control/EdidTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
// A file larger than this cannot be an EDID (256 or 257 bytes); only its
// start is read, so that the check fails on its size.
constexpr qint64 OpenReadLimit = EdidSize + 2;

QString unknownPort(const QString &text, EdidTransfer::PortList list) {
    return QStringLiteral("unknown port \"%1\"; one of: %2")
        .arg(text, EdidTransfer::PortNames(list).join(QStringLiteral(", ")));
}
} // namespace

CliExit RunEdidRead(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    CliReport report(QStringLiteral("edid read"), options.json, io.out, io.err);
    EdidTransfer::Port port;
    if (!EdidTransfer::FindPort(arguments.at(0), EdidTransfer::PortList::Read, port))
        return report.Finish(CliExit::BadInput,
                             unknownPort(arguments.at(0), EdidTransfer::PortList::Read));
    const QString path = arguments.at(1);
    const QFileInfo target(path);
    if (target.isDir() || !target.absoluteDir().exists())
        return report.Finish(CliExit::BadInput, QStringLiteral("cannot write ") + path);
    report.set(QStringLiteral("port"), port.name);
    report.set(QStringLiteral("file"), path);

    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());
    const CliExit power = session.EnsurePoweredOn();
    if (power != CliExit::Success)
        return report.Finish(power, session.FailureText());

    session.BeginStep();
    QByteArray data;
    TReplyRecord reply;
    const RunResult r = EdidTransfer::Read(session.Context(), port.address, data, reply);
    if (r != RunResult::Done)
        return session.Finish(report, r, reply);
    // The unit answered, but what it holds must pass the page's check before
    // it becomes a file (an output without a sink, an unset user memory).
    const QString reason = EdidRefusalReason(data);
    if (!reason.isEmpty())
        return report.Finish(CliExit::Failed, QStringLiteral("EDID content error: ") + reason +
                                                  QStringLiteral(" Nothing was written."));
    const QByteArray edid = data.left(EdidSize);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(edid) != edid.size() || !file.commit())
        return report.Finish(CliExit::BadInput, QStringLiteral("cannot write ") + path +
                                                    QStringLiteral(": ") + file.errorString());
    report.set(QStringLiteral("bytes"), int(edid.size()));
    report.set(QStringLiteral("edid"), QString::fromLatin1(edid.toHex()));
    report.line(
        QStringLiteral("%1: %2 bytes saved to %3").arg(port.name).arg(edid.size()).arg(path));
    return report.Finish(CliExit::Success);
}

CliExit RunEdidWrite(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    CliReport report(QStringLiteral("edid write"), options.json, io.out, io.err);
    const QString path = arguments.at(0);
    EdidTransfer::Port port;
    if (!EdidTransfer::FindPort(arguments.at(1), EdidTransfer::PortList::Download, port))
        return report.Finish(CliExit::BadInput,
                             unknownPort(arguments.at(1), EdidTransfer::PortList::Download));
    report.set(QStringLiteral("port"), port.name);
    report.set(QStringLiteral("file"), path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report.Finish(CliExit::BadInput, QStringLiteral("Can not open file: ") + path +
                                                    QStringLiteral(" (") + file.errorString() +
                                                    QStringLiteral(")"));
    const qint64 fileSize = file.size();
    const QByteArray bytes = file.read(OpenReadLimit);
    file.close();
    const QString reason = EdidRefusalReason(bytes, fileSize);
    if (!reason.isEmpty())
        return report.Finish(CliExit::BadInput, QStringLiteral("EDID content error. ") + reason +
                                                    QStringLiteral(" Nothing was sent."));
    // The page sends its grid: the 256 bytes (a 257th is not part of it).
    const QByteArray edid = bytes.left(EdidSize);

    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());
    const CliExit power = session.EnsurePoweredOn();
    if (power != CliExit::Success)
        return report.Finish(power, session.FailureText());

    session.BeginStep();
    TReplyRecord reply;
    const RunResult r = EdidTransfer::Download(session.Context(), port, edid, reply);
    if (r != RunResult::Done)
        return session.Finish(report, r, reply);
    report.set(QStringLiteral("bytes"), int(edid.size()));
    report.line(QStringLiteral("%1: %2 bytes downloaded from %3")
                    .arg(port.name)
                    .arg(edid.size())
                    .arg(path));
    return report.Finish(CliExit::Success);
}
