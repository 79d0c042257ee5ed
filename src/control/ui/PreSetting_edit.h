#pragma once
// The pre-setting dialog. In its label modes it edits the eight input or the
// eight output labels, with the lists of names used before; in its
// "Output Settings" mode it edits one input-selection preset.

#include <QDialog>
#include <QStringList>
#include <functional>

class AppContext;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmPreSettingEdit : public QDialog {
    Q_OBJECT
public:
    enum class Mode { InputLabels, OutputLabels, OutputSettings };

    explicit TfrmPreSettingEdit(AppContext *ctx, QWidget *parent = nullptr);

    // Prepare the dialog for one label mode: size, visible group, caption.
    void PrepareLabelMode(Mode mode);
    Mode CurrentMode() const { return FMode; }
    // Prepare the dialog for the "Output Settings" mode: size, visible group.
    void PrepareOutputSettingsMode();
    // Rebuilds the output captions and the input entries of the "Output
    // Settings" group from the port labels (by tag: 1..8 inputs, 41..48
    // outputs), keeping each combo's item.
    void RebuildPortLists(const std::function<QString(int)> &label);
    // "All Outputs from": 0 "Select Input", 1..8 an input, 9 "Port to Port".
    void cbFromDeviceOfAllOutputChange(int index);

    void btnOKClick();
    void btnDeleteTagClick(int tag);

    // Known-name lists (shared by the eight combos of one kind).
    QStringList InputNames() const;
    QStringList OutputNames() const;
    void SetInputNames(const QStringList &names);
    void SetOutputNames(const QStringList &names);

    QComboBox *Combo(int tag) const;          // 1..8 inputs, 41..48 outputs, 81..88 output settings
    QComboBox *OutputCombo(int output) const; // cbFromDeviceOfOutputN

    QGroupBox *gbOutputSetting;
    QLineEdit *leSettingName;
    QComboBox *cbFromDeviceOfAllOutput;

    QGroupBox *gbInputLabels;
    QGroupBox *gbOutputLabels;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    QGroupBox *makeGroup(bool inputs);
    QGroupBox *makeOutputSettingGroup();
    void setNames(bool inputs, const QStringList &names);
    QStringList names(bool inputs) const;

    AppContext *ctx;
    Mode FMode = Mode::InputLabels;
};
