#include "firmware/ui/UpgradePage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "link/TSCOMControl.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/UpgradeLogMemo.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

namespace {

const QString OpenCaption = QStringLiteral("Open Firmware File");
const QString OpenFilter =
    QStringLiteral("Version Controlled Firmware(*.fw2);;Firmware File(*.fw)");

const char *const Advice[] = {
    "It is recommended to upgrade the Matrix firmware using the serial connection",
    "(COM mode). ",
    "",
    "If you wish to upgrade the Matrix via TCP/IP, please connect your computer ",
    "directly to the Matrix with a network cable and do not use any additional",
    "network hardware.",
    "",
    "Note:",
    "1. Your computer IP address must match that of the Matrix switch.",
    "If the Matrix is in the default DHCP mode then the IP address will be",
    "192.168.0.200.",
    "2. If additional network hardware is installed, there will be a risk of failure in",
    "data transfer during the firmware update resulting in failure of the Matrix product.",
};

QPushButton *button(const QString &caption, const QString &name, const QString &description) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')).remove(QStringLiteral("...")));
    b->setAccessibleDescription(description);
    return b;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, const QString &accessibleName) {
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    buddy->setAccessibleName(accessibleName);
    return label;
}

} // namespace

UpgradePage::UpgradePage(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context), FUpgrade(new PackageUpgrade(context, &FTree, this)) {
    setObjectName(QStringLiteral("tsUGFW"));

    edtFWOpen = new QLineEdit;
    edtFWOpen->setObjectName(QStringLiteral("edtFWOpen"));
    edtFWOpen->setReadOnly(true);
    bbFWOpen = button(QStringLiteral("&Open..."), QStringLiteral("bbFWOpen"),
                      QStringLiteral("Open a firmware package or firmware file"));
    pnlCTVUpgrade = new QWidget;
    pnlCTVUpgrade->setObjectName(QStringLiteral("pnlCTVUpgrade"));
    tvPackage = new QTreeWidget;
    tvPackage->setObjectName(QStringLiteral("tvPackage"));
    tvPackage->setHeaderHidden(true);
    (new QVBoxLayout(pnlCTVUpgrade))->setContentsMargins(0, 0, 0, 0);
    pnlCTVUpgrade->layout()->addWidget(tvPackage);
    tsgFWUpgrade = new TCaptionGauge;
    tsgFWUpgrade->setObjectName(QStringLiteral("tsgFWUpgrade"));
    tsgFWUpgrade->setAccessibleName(QStringLiteral("Upgrade progress"));
    tsgFWUpgrade->SetCaption(QStringLiteral("Upgrade progress"));
    btnFWUpgrade = button(QStringLiteral("&Upgrade"), QStringLiteral("btnFWUpgrade"),
                          QStringLiteral("Upgrade the checked parts"));
    btnFWUpgrade->setEnabled(false);
    cbForce = new QCheckBox(QStringLiteral("&Force"));
    cbForce->setObjectName(QStringLiteral("cbForce"));
    cbForce->setToolTip(QStringLiteral("Force"));
    cbForce->setAccessibleName(QStringLiteral("Force"));
    cbForce->setChecked(true);
    cbForce->setEnabled(false);
    cbBIOnly = new QCheckBox(QStringLiteral("&Board Info Only"));
    cbBIOnly->setObjectName(QStringLiteral("cbBIOnly"));
    cbBIOnly->setAccessibleName(QStringLiteral("Board Info Only"));
    cbBIOnly->setChecked(true);
    mmoMessageUpgrade = new QPlainTextEdit;
    mmoMessageUpgrade->setObjectName(QStringLiteral("mmoMessageUpgrade"));
    mmoMessageUpgrade->setReadOnly(true);
    mmoMessageUpgrade->setLineWrapMode(QPlainTextEdit::NoWrap);
    btnClearMsgUG = button(QStringLiteral("&Clear"), QStringLiteral("btnClearMsgUG"),
                           QStringLiteral("Clear the upgrade messages"));

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(
        buddyLabel(QStringLiteral("Firmware fil&e:"), edtFWOpen, QStringLiteral("Firmware file")));
    fileRow->addWidget(edtFWOpen, 1);
    fileRow->addWidget(bbFWOpen);
    auto *left = new QVBoxLayout;
    left->addWidget(buddyLabel(QStringLiteral("Firmware &parts:"), tvPackage,
                               QStringLiteral("Firmware parts")));
    left->addWidget(pnlCTVUpgrade, 1);
    auto *options = new QHBoxLayout;
    options->addWidget(cbForce);
    options->addWidget(cbBIOnly);
    options->addStretch(1);
    options->addWidget(btnFWUpgrade);
    left->addLayout(options);
    auto *right = new QVBoxLayout;
    right->addWidget(buddyLabel(QStringLiteral("&Messages:"), mmoMessageUpgrade,
                                QStringLiteral("Upgrade messages")));
    right->addWidget(mmoMessageUpgrade, 1);
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    clearRow->addWidget(btnClearMsgUG);
    right->addLayout(clearRow);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(columns, 1);
    layout->addWidget(tsgFWUpgrade);

    connect(bbFWOpen, &QPushButton::clicked, this, [this] { OpenUpgradeFile(); });
    connect(btnFWUpgrade, &QPushButton::clicked, this, [this] { RunUpgrade(); });
    connect(btnClearMsgUG, &QPushButton::clicked, this, [this] { btnClearMsgUGClick(); });
    connect(tvPackage, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *item) { itemChanged(item); });

    connect(FUpgrade, &PackageUpgrade::upgradeLog, this, [this](const QString &line) {
        mmoMessageUpgrade->appendPlainText(line);
        mmoMessageUpgrade->repaint();
    });
    connect(FUpgrade, &PackageUpgrade::gaugeChanged, this,
            [this](const QString &caption, int position) {
                if (!caption.isNull())
                    tsgFWUpgrade->SetCaption(caption);
                tsgFWUpgrade->SetPosition(position);
                FLastPercent = position;
            });
    connect(FUpgrade, &PackageUpgrade::treeMark, this,
            [this](const QString &text, int partId, int subId) {
                MarkPackageNode(false, partId, subId, text);
            });
}

void UpgradePage::ShowUpgradeAdvice() {
    for (const char *line : Advice)
        mmoMessageUpgrade->appendPlainText(QString::fromLatin1(line));
}

void UpgradePage::btnClearMsgUGClick() {
    mmoMessageUpgrade->clear();
    ShowUpgradeAdvice();
}

void UpgradePage::OpenUpgradeFile() {
    const QString path = ctx->Prompts->OpenFileName(OpenCaption, OpenFilter);
    if (path.isEmpty())
        return;
    edtFWOpen->setText(QDir::toNativeSeparators(path));
    edtFWOpen->setCursorPosition(int(edtFWOpen->text().size()));
    QString error;
    if (!FUpgrade->OpenFile(path, &error))
        ctx->Prompts->Error(error);
    showTree();
    btnFWUpgrade->setEnabled(!FTree.Tree().IsEmpty());
}

void UpgradePage::showTree() {
    FUpdating = true;
    tvPackage->clear();
    FNodes.clear();
    const std::function<void(BoardInfoTreeNode *, QTreeWidgetItem *)> add =
        [&](BoardInfoTreeNode *node, QTreeWidgetItem *parent) {
            auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tvPackage);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            FNodes.insert(item, node);
            for (int c = 0; c < node->ChildCount(); ++c)
                add(node->Child(c), item);
        };
    for (int i = 0; i < FTree.Tree().TopCount(); ++i)
        add(FTree.Tree().Top(i), nullptr);
    tvPackage->expandAll();
    FUpdating = false;
    syncView();
    if (tvPackage->topLevelItemCount() > 0)
        tvPackage->setCurrentItem(tvPackage->topLevelItem(0));
}

void UpgradePage::syncView() {
    FUpdating = true;
    for (auto it = FNodes.cbegin(); it != FNodes.cend(); ++it) {
        it.key()->setText(0, it.value()->Text);
        it.key()->setCheckState(0, it.value()->Checked ? Qt::Checked : Qt::Unchecked);
    }
    FUpdating = false;
    tvPackage->viewport()->update();
}

QTreeWidgetItem *UpgradePage::ItemOf(const BoardInfoTreeNode *node) const {
    for (auto it = FNodes.cbegin(); it != FNodes.cend(); ++it)
        if (it.value() == node)
            return it.key();
    return nullptr;
}

void UpgradePage::itemChanged(QTreeWidgetItem *item) {
    if (FUpdating)
        return;
    BoardInfoTreeNode *node = FNodes.value(item);
    if (!node)
        return;
    const bool checked = item->checkState(0) == Qt::Checked;
    if (checked == node->Checked)
        return;
    node->Checked = checked;
    UpgradeTree::CascadeTreeCheck(node);
    syncView();
}

void UpgradePage::MarkPackageNode(bool restore, int partId, int subId, const QString &text) {
    if (FTree.Tree().IsEmpty())
        return;
    if (restore)
        FTree.RestoreCaptions();
    else
        FTree.MarkPackageNode(partId, subId, text);
    syncView();
}

void UpgradePage::PartProgress(PartId part, int percent) {
    if (percent == FLastPercent)
        return;
    tsgFWUpgrade->SetCaption(QStringLiteral("Upgrading Part_") + part.text());
    tsgFWUpgrade->SetPosition(percent);
    FLastPercent = percent;
}

void UpgradePage::WriteUpgradeLog(const QString &text, bool repeating) {
    UpgradeLogMemo::Write(mmoMessageUpgrade, text, repeating);
}

void UpgradePage::setControlsEnabled(bool enabled) {
    bbFWOpen->setEnabled(enabled);
    btnFWUpgrade->setEnabled(enabled && !FTree.Tree().IsEmpty());
    cbBIOnly->setEnabled(enabled);
    tvPackage->setEnabled(enabled);
}

void UpgradePage::RunUpgrade() {
    if (FRunning)
        return;
    mmoMessageUpgrade->clear();
    mmoMessageUpgrade->repaint();
    MarkPackageNode(true, 0, 0, QString());
    if (!FUpgrade->ConfirmStart())
        return;
    FRunning = true;
    setControlsEnabled(false);
    FUpgrade->BoardInfoOnly = cbBIOnly->isChecked();
    FUpgrade->Force = cbForce->isChecked();
    FOutcome = FUpgrade->RunUpgrade();
    mmoMessageUpgrade->setCursorWidth(1);
    setControlsEnabled(true);
    FRunning = false;
}
