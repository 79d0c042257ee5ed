#pragma once
// The "Product Information" page: reads the unit's boards into a tree
// (ProductInfoReader), shows the clicked board's details, writes a report of
// the whole tree and saves the memo as a text file.

#include "boardinfo/ui/TCTVDataPI.h"

#include <QWidget>

class AppContext;
class BoardInfoTreeNode;
class ProductInfoReader;
class QPlainTextEdit;
class QPushButton;
class QTreeWidgetItem;
class TCaptionGauge;

class ProductInfoPage : public QWidget {
    Q_OBJECT
public:
    explicit ProductInfoPage(AppContext *ctx, QWidget *parent = nullptr);

    void btnGetPIClick();
    void btnDisplayAllPIClick();
    void btnSaveAllPIClick();
    void btnClearPIClick();
    void ShowPINode(const BoardInfoTreeNode *node);

    ProductInfoReader *Reader() const { return FReader; }
    QTreeWidgetItem *ItemOf(const BoardInfoTreeNode *node) const;
    // Every gauge position shown during the last read, in order.
    QList<int> GaugeTrail;

    QPushButton *btnGetPI;
    TCaptionGauge *tsgPI;
    TCTVDataPI *tvPI;
    QPlainTextEdit *mmoPI;
    QPushButton *btnDisplayAllPI;
    QPushButton *btnSaveAllPI;
    QPushButton *btnClearPI;

private:
    void showTree();
    void setControlsEnabled(bool enabled);

    AppContext *ctx;
    ProductInfoReader *FReader;
};
