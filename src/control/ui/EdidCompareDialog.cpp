#include "control/ui/EdidCompareDialog.h"

#include "control/EdidView.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QTreeWidget *sideTree(const QString &name, const QString &accessible) {
    auto *tree = new QTreeWidget;
    tree->setObjectName(name);
    tree->setAccessibleName(accessible);
    tree->setColumnCount(1);
    tree->setHeaderHidden(true);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setUniformRowHeights(true);
    tree->setMinimumWidth(380);
    return tree;
}

} // namespace

QString EdidCompareDialog::DiffersMark() {
    return QString(QChar(0x2260)) + QLatin1Char(' ');
}

EdidCompareDialog::EdidCompareDialog(const QString &leftName, const EdidInfo &left,
                                     const QString &rightName, const EdidInfo &right,
                                     QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("EdidCompareDialog"));
    setWindowTitle(QStringLiteral("Compare EDIDs"));

    twCompareLeft = sideTree(QStringLiteral("twCompareLeft"), leftName);
    twCompareRight = sideTree(QStringLiteral("twCompareRight"), rightName);
    auto *leftLabel = new QLabel(leftName);
    auto *rightLabel = new QLabel(rightName);
    leftLabel->setBuddy(twCompareLeft);
    rightLabel->setBuddy(twCompareRight);
    leftLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    rightLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const EdidViewComparison c = CompareEdidViews(left, right);
    fill(twCompareLeft, c, true);
    fill(twCompareRight, c, false);

    lblCompareSummary = new QLabel;
    lblCompareSummary->setObjectName(QStringLiteral("lblCompareSummary"));
    lblCompareSummary->setText(c.differences == 0 ? QStringLiteral("No differences.")
                                                  : QStringLiteral("%1 lines differ (marked %2).")
                                                        .arg(c.differences)
                                                        .arg(DiffersMark().trimmed()));

    cbDifferencesOnly = new QCheckBox(QStringLiteral("Show only the &differences"));
    cbDifferencesOnly->setObjectName(QStringLiteral("cbDifferencesOnly"));
    connect(cbDifferencesOnly, &QCheckBox::toggled, this,
            [this](bool on) { showDifferencesOnly(on); });

    // The two sides scroll together, so a line stays beside its counterpart.
    connect(twCompareLeft->verticalScrollBar(), &QScrollBar::valueChanged,
            twCompareRight->verticalScrollBar(), &QScrollBar::setValue);
    connect(twCompareRight->verticalScrollBar(), &QScrollBar::valueChanged,
            twCompareLeft->verticalScrollBar(), &QScrollBar::setValue);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnCompareClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *grid = new QGridLayout;
    grid->addWidget(leftLabel, 0, 0);
    grid->addWidget(rightLabel, 0, 1);
    grid->addWidget(twCompareLeft, 1, 0);
    grid->addWidget(twCompareRight, 1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addWidget(lblCompareSummary);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cbDifferencesOnly);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    resize(900, 640);
}

void EdidCompareDialog::fill(QTreeWidget *tree, const EdidViewComparison &c, bool leftSide) {
    const QList<EdidViewComparison::Row> &rows = leftSide ? c.left : c.right;
    const QBrush tint(QColor(255, 224, 160));
    QTreeWidgetItem *heading = nullptr;
    for (const EdidViewComparison::Row &row : rows) {
        const QString text = row.differs ? DiffersMark() + row.text : row.text;
        QTreeWidgetItem *item = row.heading || !heading
                                    ? new QTreeWidgetItem(tree, QStringList{text})
                                    : new QTreeWidgetItem(heading, QStringList{text});
        if (row.heading)
            heading = item;
        item->setData(0, Qt::UserRole, row.differs);
        if (row.differs) {
            item->setBackground(0, tint);
            item->setToolTip(0, row.text + QStringLiteral("\n(differs from the other EDID)"));
        } else {
            item->setToolTip(0, row.text);
        }
    }
    tree->expandAll();
}

void EdidCompareDialog::showDifferencesOnly(bool only) {
    for (QTreeWidget *tree : {twCompareLeft, twCompareRight}) {
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem *head = tree->topLevelItem(i);
            bool any = head->data(0, Qt::UserRole).toBool();
            for (int k = 0; k < head->childCount(); ++k) {
                QTreeWidgetItem *line = head->child(k);
                const bool differs = line->data(0, Qt::UserRole).toBool();
                line->setHidden(only && !differs);
                any = any || differs;
            }
            head->setHidden(only && !any);
        }
    }
}
