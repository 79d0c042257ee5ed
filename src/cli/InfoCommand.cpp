#include "cli/InfoCommand.h"

#include "boardinfo/ProductInfoReader.h"
#include "boardinfo/SpecialCode.h"
#include "cli/CliReport.h"
#include "cli/CliSession.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {
QJsonObject nodeObject(const ProductInfoReader &reader, const BoardInfoTreeNode *node) {
    QJsonObject o;
    const BoardInfoNode &d = node->Data;
    o.insert(QStringLiteral("text"), node->Text);
    const int arrow = node->Text.indexOf(QStringLiteral("=>"));
    o.insert(QStringLiteral("name"), arrow >= 0 ? node->Text.mid(arrow + 2).trimmed() : node->Text);
    const bool supported = !node->Text.contains(QStringLiteral("VC not support"));
    o.insert(QStringLiteral("vcSupported"), supported);
    o.insert(QStringLiteral("pcbType"), d.PCBType);
    o.insert(QStringLiteral("quantity"), d.Quantity);
    if (node->ChildCount() > 0) {
        QJsonArray slotList;
        for (int i = 0; i < node->ChildCount(); ++i)
            slotList.append(nodeObject(reader, node->Child(i)));
        o.insert(QStringLiteral("slots"), slotList);
        return o;
    }
    o.insert(QStringLiteral("subIndex"), reader.SubIndex(node));
    if (!supported)
        return o;
    o.insert(QStringLiteral("mcuType"), d.MCUType);
    o.insert(QStringLiteral("solution"), d.Solution);
    o.insert(QStringLiteral("pcbVersion"),
             d.PCBVersion ? QString(QLatin1Char(char(d.PCBVersion))) : QString());
    if (!d.SpecialCode.isEmpty())
        o.insert(QStringLiteral("specialCode"), SpecialCodeToText(d.SpecialCode));
    o.insert(QStringLiteral("bootCodeRunning"), d.Ver1);
    o.insert(QStringLiteral("boardInfoValid"), d.Ver2);
    return o;
}
} // namespace

CliExit RunInfo(CliOptions &options, const QStringList &, CliStreams &io) {
    CliReport report(QStringLiteral("info"), options.json, io.out, io.err);
    CliSession session(options, io);
    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());

    ProductInfoReader reader(session.Context());
    QObject::connect(&reader, &ProductInfoReader::memoLine, &session,
                     [&session](const QString &line) { session.Progress(line); });
    QObject::connect(
        &reader, &ProductInfoReader::gaugeChanged, &session,
        [&session](const QString &caption, int position) { session.Gauge(caption, position); });
    // The page asks first whether the unit is powered up and has had its
    // minute; the command line stands for that Yes.
    session.BeginStep();
    if (!reader.ReadProductInformation())
        return session.FinishReported(report);
    const bool failed = reader.PIFailed;
    const bool timedOut = session.TimedOut();

    QJsonArray boards;
    for (int i = 0; i < reader.Tree().TopCount(); ++i)
        boards.append(nodeObject(reader, reader.Tree().Top(i)));
    report.set(QStringLiteral("boards"), boards);
    // The report of the page's "Display All" (it asks for the firmware version).
    const QStringList lines = reader.DisplayAllLines();
    for (const QString &l : lines)
        report.line(l);
    if (!lines.isEmpty() && lines.first().startsWith(QStringLiteral("Firmware Version: ")))
        report.set(QStringLiteral("firmwareVersion"),
                   lines.first().mid(int(qstrlen("Firmware Version: "))));
    if (failed)
        return report.Finish(timedOut ? CliExit::TimedOut : CliExit::Failed,
                             QStringLiteral("Read Product Information Failed"));
    return report.Finish(CliExit::Success);
}
