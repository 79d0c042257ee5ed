#pragma once
// The "Input/Output Setting" page: the sixteen port labels and their editors.

#include <QWidget>

class AppContext;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TfrmPreSettingEdit;

class PortTagPage : public QWidget {
    Q_OBJECT
public:
    PortTagPage(AppContext *ctx, TfrmPreSettingEdit *dialog, QWidget *parent = nullptr);

    void btnEditInputPortTagClick();
    void btnEditOutputPortTagClick();

    // Label fields by tag: 1..8 inputs, 41..48 outputs.
    QLineEdit *TagEdit(int tag) const;
    QString Label(int tag) const;
    void SetLabel(int tag, const QString &text);
    void ClearPortTags();

    QGroupBox *gbInputLabeling;
    QGroupBox *gbOutputLabeling;
    QPushButton *btnEditInputPortTag;
    QPushButton *btnEditOutputPortTag;

private:
    QGroupBox *makeGroup(bool inputs);
    void editLabels(bool inputs);

    AppContext *ctx;
    TfrmPreSettingEdit *frmPreSettingEdit;
};
