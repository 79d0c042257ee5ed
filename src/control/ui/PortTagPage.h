#pragma once
// The "Input/Output Setting" page: the sixteen port labels and their editors
//, and the group "Input Source Type" (hidden as delivered).

#include "control/ControlFlags.h"

#include <QWidget>
#include <functional>

class AppContext;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
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

    // the input source type.
    void tsPortTagShow();
    void rbTypeHDMIInputClick(QRadioButton *sender); // both radios of every input
    bool ReadInputType(int input);                   // false when the read failed
    QRadioButton *TypeRadio(int input, bool vga) const;
    // The window's flags (the page keeps its own until set).
    void SetFlags(ControlFlags *flags) { FFlags = flags ? flags : &FOwnFlags; }
    // lblTypeInputN of the General page (hidden group); none when not installed.
    std::function<QLabel *(int)> TypeLabel;

    QGroupBox *gbInputSourceType;
    QGroupBox *gbInputLabeling;
    QGroupBox *gbOutputLabeling;
    QPushButton *btnEditInputPortTag;
    QPushButton *btnEditOutputPortTag;

private:
    QGroupBox *makeGroup(bool inputs);
    QGroupBox *makeTypeGroup();
    void editLabels(bool inputs);

    AppContext *ctx;
    TfrmPreSettingEdit *frmPreSettingEdit;
    ControlFlags FOwnFlags;
    ControlFlags *FFlags = &FOwnFlags;

protected:
    void showEvent(QShowEvent *event) override;
};
