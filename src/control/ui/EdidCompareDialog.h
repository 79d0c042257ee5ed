#pragma once
// Two EDIDs' decoded views side by side, the lines in which they differ
// marked: an installer choosing one EDID for all outputs sees at a glance
// what the other sink would lose or gain.

#include "control/EdidDecoder.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QTreeWidget;
struct EdidViewComparison;

class EdidCompareDialog : public QDialog {
    Q_OBJECT
public:
    // Marked rows start with this sign (and are tinted).
    static QString DiffersMark();

    EdidCompareDialog(const QString &leftName, const EdidInfo &left, const QString &rightName,
                      const EdidInfo &right, QWidget *parent = nullptr);

    QTreeWidget *twCompareLeft;
    QTreeWidget *twCompareRight;
    QLabel *lblCompareSummary;
    QCheckBox *cbDifferencesOnly;

private:
    void fill(QTreeWidget *tree, const EdidViewComparison &c, bool leftSide);
    void showDifferencesOnly(bool only);
};
