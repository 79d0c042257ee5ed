#include "cli/UpgradeCommand.h"

#include "app/AppContext.h"
#include "cli/CliReport.h"
#include "cli/CliSession.h"
#include "firmware/FirmwareTransfer.h"
#include "firmware/PackageUpgrade.h"
#include "firmware/UpgradeTree.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {
// The run asks the main board for its boot-code information until it
// answers; the window leaves that to the person, who may close it. A script
// has nobody to do so: after this many rounds without an answer the run is
// ended as the window's closing ends it, and reported as a time-out.
constexpr int MainBoardRounds = 3;
const QString MainBoardTimeout =
    QStringLiteral("Time out! Please power up the unit and check connection of the cable.");
} // namespace

CliExit RunUpgradeCommand(CliOptions &options, const QStringList &arguments, CliStreams &io) {
    CliReport report(QStringLiteral("upgrade"), options.json, io.out, io.err);
    const QString path = arguments.at(0);
    const bool boardInfoOnly = options.flags.contains(QStringLiteral("--board-info-only"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    report.set(QStringLiteral("file"), path);
    report.set(QStringLiteral("boardInfoOnly"), boardInfoOnly);
    if (suffix != QLatin1String("fw2") && suffix != QLatin1String("fw"))
        return report.Finish(CliExit::BadInput,
                             QStringLiteral("upgrade takes a \".fw2\" package or a \".fw\" file"));

    CliSession session(options, io);
    AppContext *ctx = session.Context();
    UpgradeTree tree;
    PackageUpgrade upgrade(ctx, &tree);
    QString error;
    if (!upgrade.OpenFile(path, &error))
        return report.Finish(CliExit::BadInput, error);
    if (tree.Tree().IsEmpty())
        return report.Finish(CliExit::BadInput,
                             QStringLiteral("the file holds no part to upgrade with"));
    report.set(QStringLiteral("package"), upgrade.IsPackage());
    // The whole unit: every board the file can serve.
    for (BoardInfoTreeNode *node : tree.Tree().Nodes())
        node->Checked = true;
    QJsonArray boards;
    for (const BoardInfoTreeNode *node : tree.CheckedLeaves())
        boards.append(node->Parent() ? node->Parent()->Text + QStringLiteral("/") + node->Text
                                     : node->Text);
    report.set(QStringLiteral("boards"), boards);

    if (!session.Open())
        return report.Finish(session.FailureExit(), session.FailureText());

    QJsonArray log;
    QJsonArray marks;
    QJsonArray refusals;
    int silentRounds = 0;
    QObject::connect(&upgrade, &PackageUpgrade::upgradeLog, &session, [&](const QString &line) {
        log.append(line);
        session.Progress(line);
        if (line == MainBoardTimeout && ++silentRounds >= MainBoardRounds) {
            session.Progress(
                QStringLiteral("the unit did not answer %1 times; stopping").arg(silentRounds));
            session.Engine()->Cancel();
        }
    });
    QObject::connect(
        &upgrade, &PackageUpgrade::gaugeChanged, &session,
        [&](const QString &caption, int position) { session.Gauge(caption, position); });
    QObject::connect(&upgrade, &PackageUpgrade::treeMark, &session,
                     [&](const QString &text, int partId, int subId) {
                         const BoardInfoTreeNode *node = tree.MarkTarget(partId, subId);
                         const int index = node ? tree.Tree().Nodes().indexOf(node) : -1;
                         QJsonObject mark;
                         mark.insert(QStringLiteral("mark"), text);
                         mark.insert(QStringLiteral("board"),
                                     index >= 0 ? tree.SavedCaption(index) : QString());
                         marks.append(mark);
                         tree.MarkPackageNode(partId, subId, text);
                     });
    FirmwareTransfer *firmware = ctx->Firmware;
    QObject::connect(firmware, &FirmwareTransfer::partProgress, &session,
                     [&](PartId part, int percent) {
                         session.Gauge(QStringLiteral("Upgrading Part_") + part.text(), percent);
                     });
    QObject::connect(
        firmware, &FirmwareTransfer::partRefused, &session, [&](PartId part, PartVersion version) {
            const QString name =
                QStringLiteral("Part_") + part.text() + QStringLiteral(" ver") + version.text();
            refusals.append(name);
            session.Progress(QStringLiteral("Write to ") + name + QStringLiteral(" failed"));
        });
    QObject::connect(firmware, &FirmwareTransfer::upgradeLog, &session,
                     [&](const QString &text, bool repeating) {
                         if (repeating) {
                             session.RepeatingProgress(text);
                         } else {
                             log.append(text);
                             session.Progress(text);
                         }
                     });

    upgrade.BoardInfoOnly = boardInfoOnly;
    upgrade.Force = true; // the page's "Force" is checked and cannot be changed
    if (!upgrade.ConfirmStart())
        return report.Finish(CliExit::Failed, QStringLiteral("the upgrade did not start"));
    session.BeginStep();
    session.ClearLastStatus();
    const PackageUpgrade::Outcome outcome = upgrade.RunUpgrade();

    QJsonArray parts;
    for (const PreparedPart &p : upgrade.Prepared())
        parts.append(PackageUpgrade::PartName(p.Header));
    report.set(QStringLiteral("parts"), parts);
    report.set(QStringLiteral("marks"), marks);
    report.set(QStringLiteral("refusedParts"), refusals);
    report.set(QStringLiteral("log"), log);

    // The run's result in the words the page's status bar shows.
    QString result = session.LastStatus().trimmed();
    if (outcome == PackageUpgrade::Outcome::Failed && !upgrade.UpgradeLinkOK())
        result = QStringLiteral("Upgrading failed");
    if (outcome == PackageUpgrade::Outcome::Stopped)
        result = QStringLiteral("Upgrading stopped");
    report.set(QStringLiteral("result"), result);
    report.line(result);
    for (const QJsonValue &m : marks)
        report.line(m.toObject().value(QStringLiteral("board")).toString() + QStringLiteral(" ->") +
                    m.toObject().value(QStringLiteral("mark")).toString());

    switch (outcome) {
    case PackageUpgrade::Outcome::Succeeded:
        return report.Finish(CliExit::Success);
    case PackageUpgrade::Outcome::NotRun:
        return report.Finish(CliExit::Failed, AppContext::InProcessing);
    case PackageUpgrade::Outcome::Stopped:
        if (silentRounds >= MainBoardRounds)
            return report.Finish(CliExit::TimedOut,
                                 result + QStringLiteral(": the unit did not answer"));
        return report.Finish(CliExit::Failed, result);
    case PackageUpgrade::Outcome::Failed:
        break;
    }
    // A part the unit kept refusing is a refusal; else a unit that stopped
    // answering, a link that went away, or another failure.
    if (!refusals.isEmpty())
        return report.Finish(CliExit::Refused, result);
    if (!upgrade.UpgradeLinkOK())
        return report.Finish(CliExit::NoLink, result);
    if (session.TimedOut())
        return report.Finish(CliExit::TimedOut, result);
    return report.Finish(CliExit::Failed, result);
}
