#pragma once
// The "Merge Firmware" page of the package builder (tab tsMGFW): the
// board-information tree with check boxes and the buttons that grow and prune
// it, the "Board Info" and "Firmware" fields of the selected node with
// "&Apply", opening and saving ".bif" files, and "&Merge", which builds a
// ".fw2" package from the checked firmware items (PackageBuilder) into the
// application folder.

#include <QWidget>

class AppContext;
class BoardInfoTreeNode;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TCTVData;

class BoardInfoEditorPage : public QWidget {
    Q_OBJECT
public:
    explicit BoardInfoEditorPage(AppContext *ctx, QWidget *parent = nullptr);

    // Handlers.
    void bbNewClick();
    void bbAddClick();
    void bbAddChildClick();
    void bbDeleteClick();
    void mnuOpenBIClick();
    void mnuSaveBIClick();
    void btnSetBIClick();
    void cbBI_IncludeBIClick();
    void bbOpenFMClick();
    void btnMerge2Click();
    // A check box of the tree changed by a click.
    void CheckTreeview1Click(BoardInfoTreeNode *node);
    // Fills the fields from the node and enables them by its level.
    void ShowNodeSettings(BoardInfoTreeNode *node);

    // The path of the last package saved (empty when none).
    QString LastPackagePath() const { return FLastPackagePath; }

    TCTVData *CheckTreeview1;
    QToolButton *bbNew;
    QToolButton *bbAdd;
    QToolButton *bbAddChild;
    QToolButton *bbDelete;
    QToolButton *bbOpenBI;
    QToolButton *bbSaveBI;
    QMenu *pmBI;
    QAction *mnuOpenBI;
    QAction *mnuSaveBI;

    QGroupBox *gbBoardInfo;
    QCheckBox *cbBI_IncludeBI;
    QLineEdit *edtBI_Name;
    QComboBox *cbBI_PCBType;
    QComboBox *cbBI_MCUType;
    QLineEdit *edtBI_Solution;
    QComboBox *cbBI_Quantity;
    QComboBox *cbBI_PCBVersion;
    QCheckBox *cbBI_OverwriteSC;
    QLineEdit *edtBI_SC;
    QComboBox *cbBI_PCBVerFrom;
    QComboBox *cbBI_PCBVerTo;

    QGroupBox *gbFirmware;
    QCheckBox *cbDefaultFW;
    QLineEdit *edtBI_FWFileName;
    QToolButton *bbOpenFM;
    QLineEdit *leBI_FWVer1;
    QLineEdit *leBI_FWVer2;
    QPushButton *btnSetBI;

    QPushButton *btnMerge2;
    QPlainTextEdit *mmoMessage2;
    QPushButton *btnClearMsg2;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void resetFields(int level);
    void log(const QString &line);
    bool treeHasNodes() const;

    AppContext *ctx;
    QString FLastPackagePath;
};
