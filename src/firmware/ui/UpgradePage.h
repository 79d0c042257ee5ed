#pragma once
// The "Upgrade Firmware" page: opens a package (".fw2") or a firmware file
// (".fw"), shows its parts as a check tree, and runs the upgrade. The
// decisions live in PackageUpgrade and UpgradeTree; the page shows their
// log lines, gauge and marks, and the link's progress and reboot texts.

#include "firmware/PackageUpgrade.h"
#include "firmware/UpgradeTree.h"
#include "protocol/PartId.h"

#include <QHash>
#include <QWidget>

class AppContext;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TCaptionGauge;

class UpgradePage : public QWidget {
    Q_OBJECT
public:
    explicit UpgradePage(AppContext *ctx, QWidget *parent = nullptr);

    // Handlers.
    void OpenUpgradeFile(); // bbFWOpen
    void RunUpgrade();      // btnFWUpgrade
    void btnClearMsgUGClick();
    void ShowUpgradeAdvice();

    // Notifications the window passes on.
    void PartProgress(PartId part, int percent);
    // A text of the reboot wait (repeating: the line of its kind is rewritten).
    void WriteUpgradeLog(const QString &text, bool repeating);
    void MarkPackageNode(bool restore, int partId, int subId, const QString &text);

    PackageUpgrade *Upgrade() const { return FUpgrade; }
    UpgradeTree *Tree() { return &FTree; }
    // The view item of a node (tests click it).
    QTreeWidgetItem *ItemOf(const BoardInfoTreeNode *node) const;
    PackageUpgrade::Outcome LastOutcome() const { return FOutcome; }
    bool Running() const { return FRunning; }

    QLineEdit *edtFWOpen;
    QPushButton *bbFWOpen;
    QWidget *pnlCTVUpgrade;
    QTreeWidget *tvPackage;
    TCaptionGauge *tsgFWUpgrade;
    QPushButton *btnFWUpgrade;
    QCheckBox *cbForce;
    QCheckBox *cbBIOnly;
    QPlainTextEdit *mmoMessageUpgrade;
    QPushButton *btnClearMsgUG;

private:
    void showTree();
    void syncView();
    void itemChanged(QTreeWidgetItem *item);
    void setControlsEnabled(bool enabled);

    AppContext *ctx;
    UpgradeTree FTree;
    PackageUpgrade *FUpgrade;
    QHash<QTreeWidgetItem *, BoardInfoTreeNode *> FNodes;
    bool FUpdating = false;
    bool FRunning = false;
    int FLastPercent = -1;
    PackageUpgrade::Outcome FOutcome = PackageUpgrade::Outcome::NotRun;
};
