#include "control/ui/IRRS232Page.h"

#include "app/AppContext.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "widgets/ControlLookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using namespace IrRs232Routing;

namespace {
const char *RowNames[] = {"RemoteTX", "Local", "RemoteRX"};
const char *RowCaptions[] = {"Remote HDBT Transmitter", "Local", "Remote HDBT Receiver"};

void selectIfInRange(QComboBox *combo, int index) {
    if (combo && index >= 0 && index < combo->count())
        combo->setCurrentIndex(index);
}
} // namespace

IRRS232Page::IRRS232Page(AppContext *context, ControlFlags *flags, QWidget *parent)
    : QWidget(parent), ctx(context), FFlags(flags ? flags : &FOwnFlags) {
    setObjectName(QStringLiteral("tsIRRS232Setting"));

    gbRemoteRXIR = new QGroupBox(QStringLiteral("Remote HDBT Receiver IR output control"));
    gbRemoteRXIR->setObjectName(QStringLiteral("gbRemoteRXIR"));
    auto *rxGrid = new QGridLayout(gbRemoteRXIR);
    for (int n = 1; n <= Ports; ++n) {
        auto *label = new QLabel(QStringLiteral("Receiver %1").arg(n), gbRemoteRXIR);
        auto *combo = new QComboBox(gbRemoteRXIR);
        combo->setObjectName(QStringLiteral("cbIROutputRemoteRX%1").arg(n));
        combo->addItems(RemoteRxIrItems());
        combo->setCurrentIndex(n - 1);
        combo->setAccessibleName(QStringLiteral("Remote receiver %1 IR output").arg(n));
        ControlLookup::SetTag(combo, n);
        label->setBuddy(combo);
        rxGrid->addWidget(label, (n - 1) % 2 * 2, (n - 1) / 2);
        rxGrid->addWidget(combo, (n - 1) % 2 * 2 + 1, (n - 1) / 2);
        connect(combo, &QComboBox::activated, this, [this, n] { cbIROutputRemoteRXChange(n); });
    }

    gbAllIRIn = makeGlobalGroup(false);
    gbAllIROut = makeGlobalGroup(true);

    gbIRLoop = new QGroupBox(QStringLiteral("Global All IR In loop to Global All IR Out"));
    gbIRLoop->setObjectName(QStringLiteral("gbIRLoop"));
    cbAllIRInAllIROutLoop = new QCheckBox(QStringLiteral("Loop"), gbIRLoop);
    cbAllIRInAllIROutLoop->setObjectName(QStringLiteral("cbAllIRInAllIROutLoop"));
    cbAllIRInAllIROutLoop->setAccessibleName(
        QStringLiteral("Global All IR In loop to Global All IR Out"));
    ControlLookup::SetTag(cbAllIRInAllIROutLoop, LoopTag);
    (new QHBoxLayout(gbIRLoop))->addWidget(cbAllIRInAllIROutLoop);
    connect(cbAllIRInAllIROutLoop, &QCheckBox::clicked, this,
            [this] { cbAllIRInAllIROutLoopClick(); });

    gbRS232Global = new QGroupBox(QStringLiteral("Global RS-232(Tx,Rx,Gnd) route"));
    gbRS232Global->setObjectName(QStringLiteral("gbRS232Global"));
    cbRS232RouteGlobal = new QComboBox(gbRS232Global);
    cbRS232RouteGlobal->setObjectName(QStringLiteral("cbRS232RouteGlobal"));
    cbRS232RouteGlobal->addItems(GlobalRs232Items());
    cbRS232RouteGlobal->setCurrentIndex(0);
    cbRS232RouteGlobal->setAccessibleName(QStringLiteral("Global RS-232 route"));
    ControlLookup::SetTag(cbRS232RouteGlobal, 9);
    (new QHBoxLayout(gbRS232Global))->addWidget(cbRS232RouteGlobal);
    connect(cbRS232RouteGlobal, &QComboBox::activated, this, [this] { cbRS232RouteChange(9); });

    gbRS232Local = new QGroupBox(QStringLiteral("Local RS-232(Tx,Rx,Gnd) route"));
    gbRS232Local->setObjectName(QStringLiteral("gbRS232Local"));
    auto *localGrid = new QGridLayout(gbRS232Local);
    for (int n = 1; n <= Ports; ++n) {
        auto *label = new QLabel(QStringLiteral("Port %1").arg(n), gbRS232Local);
        auto *combo = new QComboBox(gbRS232Local);
        combo->setObjectName(QStringLiteral("cbRS232RouteLocal%1").arg(n));
        combo->addItems(LocalRs232Items());
        combo->setCurrentIndex(Ports + n); // the receiver of the same number
        combo->setAccessibleName(QStringLiteral("Local RS-232 port %1 route").arg(n));
        ControlLookup::SetTag(combo, n);
        label->setBuddy(combo);
        localGrid->addWidget(label, (n - 1) % 4, (n - 1) / 4 * 2);
        localGrid->addWidget(combo, (n - 1) % 4, (n - 1) / 4 * 2 + 1);
        connect(combo, &QComboBox::activated, this, [this, n] { cbRS232RouteChange(n); });
    }

    auto *irRow = new QHBoxLayout;
    irRow->addWidget(gbAllIRIn);
    irRow->addWidget(gbAllIROut);
    auto *rsColumn = new QVBoxLayout;
    rsColumn->addWidget(gbIRLoop);
    rsColumn->addWidget(gbRS232Global);
    rsColumn->addStretch(1);
    auto *rsRow = new QHBoxLayout;
    rsRow->addLayout(rsColumn);
    rsRow->addWidget(gbRS232Local, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbRemoteRXIR);
    layout->addLayout(irRow);
    layout->addLayout(rsRow);
    layout->addStretch(1);
}

QGroupBox *IRRS232Page::makeGlobalGroup(bool out) {
    auto *group = new QGroupBox(out ? QStringLiteral("Global All IR Out comes from")
                                    : QStringLiteral("Global All IR In goes to"));
    group->setObjectName(out ? QStringLiteral("gbAllIROut") : QStringLiteral("gbAllIRIn"));
    const QString prefix =
        out ? QStringLiteral("cbAllIROutFrom") : QStringLiteral("cbAllIRInRoute");
    auto *grid = new QGridLayout(group);
    grid->setHorizontalSpacing(4);
    for (int r = 0; r < 3; ++r) {
        const Row row = static_cast<Row>(r);
        grid->addWidget(new QLabel(QString::fromLatin1(RowCaptions[r]), group), r * 2, 0, 1, 9);
        for (int box = 1; box <= 9; ++box) {
            const bool all = box == 9;
            auto *cb = new QCheckBox(all ? QStringLiteral("All") : QString::number(box), group);
            cb->setObjectName(prefix + QString::fromLatin1(RowNames[r]) +
                              (all ? QStringLiteral("All") : QString::number(box)));
            cb->setAccessibleName(
                QStringLiteral("%1: %2 %3")
                    .arg(group->title(), QString::fromLatin1(RowCaptions[r]), cb->text()));
            ControlLookup::SetTag(cb, BoxTag(row, box));
            grid->addWidget(cb, r * 2 + 1, box - 1);
            connect(cb, &QCheckBox::clicked, this, [this, out, cb] { cbAllIRRouteClick(out, cb); });
        }
    }
    return group;
}

QComboBox *IRRS232Page::RemoteRx(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<IRRS232Page *>(this),
                                            QStringLiteral("cbIROutputRemoteRX"), n);
}

QCheckBox *IRRS232Page::Box(bool out, Row row, int box) const {
    QGroupBox *group = out ? gbAllIROut : gbAllIRIn;
    const int tag = BoxTag(row, box);
    for (QCheckBox *cb : group->findChildren<QCheckBox *>())
        if (ControlLookup::Tag(cb) == tag)
            return cb;
    return nullptr;
}

QComboBox *IRRS232Page::Rs232(int port) const {
    if (port == 9)
        return cbRS232RouteGlobal;
    return ControlLookup::ByName<QComboBox>(const_cast<IRRS232Page *>(this),
                                            QStringLiteral("cbRS232RouteLocal"), port);
}

ControlRequests::IrRows IRRS232Page::Rows(bool out) const {
    ControlRequests::IrRows rows;
    for (int r = 0; r < 3; ++r) {
        std::array<bool, Ports> boxes{};
        for (int k = 1; k <= Ports; ++k)
            boxes[k - 1] = Box(out, static_cast<Row>(r), k)->isChecked();
        RowMask(rows, static_cast<Row>(r)) = Mask(boxes);
    }
    return rows;
}

void IRRS232Page::showRows(bool out, const ControlRequests::IrRows &rows) {
    for (int r = 0; r < 3; ++r) {
        const Row row = static_cast<Row>(r);
        const uint8_t mask = RowMask(rows, row);
        const auto boxes = Boxes(mask);
        for (int k = 1; k <= Ports; ++k)
            Box(out, row, k)->setChecked(boxes[k - 1]);
        Box(out, row, 9)->setChecked(AllChecked(mask));
    }
}

void IRRS232Page::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsIRRS232SettingShow();
}

// ---- Read-backs ---------------------------------------------------------------

bool IRRS232Page::ReadRemoteRx(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Remote RX IR Out..."),
                        ControlRequests::remoteRxIrOutputQuery(n), reply) != RunResult::Done)
        return false;
    selectIfInRange(RemoteRx(n), ControlReplies::remoteRxIrItem(reply));
    return true;
}

bool IRRS232Page::ReadGlobal(bool out) {
    TReplyRecord reply;
    if (ctx->RunCommand(out ? QStringLiteral("Refreshing Global All IR Out...")
                            : QStringLiteral("Refreshing Global All IR In..."),
                        out ? ControlRequests::globalIrOutQuery()
                            : ControlRequests::globalIrInQuery(),
                        reply) != RunResult::Done)
        return false;
    showRows(out, ControlReplies::irRows(reply));
    if (out)
        cbAllIRInAllIROutLoop->setChecked(ControlReplies::irLoop(reply));
    return true;
}

bool IRRS232Page::ReadRs232(int port) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing RS232..."),
                        ControlRequests::rs232RouteQuery(port), reply) != RunResult::Done)
        return false;
    selectIfInRange(Rs232(port), ControlReplies::rs232Item(reply));
    return true;
}

void IRRS232Page::tsIRRS232SettingShow() {
    if (!ctx->PowerOn)
        return;
    RefreshScope scope(*FFlags);
    for (int n = 1; n <= Ports; ++n)
        if (!ReadRemoteRx(n))
            return;
    if (!ReadGlobal(false) || !ReadGlobal(true))
        return;
    for (int port = 1; port <= 9; ++port)
        if (!ReadRs232(port))
            return;
}

// ---- Changes ------------------------------------------------------------------

void IRRS232Page::cbIROutputRemoteRXChange(int n) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."),
                           ControlRequests::remoteRxIrOutputSet(n, RemoteRx(n)->currentIndex()),
                           reply);
    RefreshScope scope(*FFlags);
    ReadRemoteRx(n);
}

void IRRS232Page::sendGlobal(bool out) {
    const ControlRequests::IrRows rows = Rows(out);
    TReplyRecord reply;
    ctx->RunPoweredCommand(
        QStringLiteral("Setting..."),
        out ? ControlRequests::globalIrOutSet(rows, cbAllIRInAllIROutLoop->isChecked())
            : ControlRequests::globalIrInSet(rows),
        reply);
    RefreshScope scope(*FFlags);
    for (int r = 0; r < 3; ++r)
        Box(out, static_cast<Row>(r), 9)
            ->setChecked(AllChecked(RowMask(rows, static_cast<Row>(r))));
}

void IRRS232Page::cbAllIRRouteClick(bool out, QCheckBox *sender) {
    if (!FFlags->UserChange)
        return;
    const int tag = ControlLookup::Tag(sender);
    if (IsAllTag(tag)) {
        const Row row = RowOfTag(tag);
        const uint8_t current = RowMask(Rows(out), row);
        const auto boxes = Boxes(SavedRow.Toggle(sender->isChecked(), current));
        RefreshScope scope(*FFlags);
        for (int k = 1; k <= Ports; ++k)
            Box(out, row, k)->setChecked(boxes[k - 1]);
    }
    sendGlobal(out);
}

void IRRS232Page::cbAllIRInAllIROutLoopClick() {
    if (!FFlags->UserChange)
        return;
    sendGlobal(true);
}

void IRRS232Page::cbRS232RouteChange(int port) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."),
                           ControlRequests::rs232RouteSet(port, Rs232(port)->currentIndex()),
                           reply);
    RefreshScope scope(*FFlags);
    ReadRs232(port);
}
