#pragma once
// The pre-setting dialog. In its label modes it edits the eight input or the
// eight output labels, with the lists of names used before.

#include <QDialog>
#include <QStringList>

class AppContext;
class QComboBox;
class QGroupBox;
class QPushButton;

class TfrmPreSettingEdit : public QDialog {
    Q_OBJECT
public:
    enum class Mode { InputLabels, OutputLabels };

    explicit TfrmPreSettingEdit(AppContext *ctx, QWidget *parent = nullptr);

    // Prepare the dialog for one label mode: size, visible group, caption.
    void PrepareLabelMode(Mode mode);
    Mode CurrentMode() const { return FMode; }

    void btnOKClick();
    void btnDeleteTagClick(int tag);

    // Known-name lists (shared by the eight combos of one kind).
    QStringList InputNames() const;
    QStringList OutputNames() const;
    void SetInputNames(const QStringList &names);
    void SetOutputNames(const QStringList &names);

    QComboBox *Combo(int tag) const; // 1..8 inputs, 41..48 outputs

    QGroupBox *gbInputLabels;
    QGroupBox *gbOutputLabels;
    QPushButton *btnOK;
    QPushButton *btnCancel;

private:
    QGroupBox *makeGroup(bool inputs);
    void setNames(bool inputs, const QStringList &names);
    QStringList names(bool inputs) const;

    AppContext *ctx;
    Mode FMode = Mode::InputLabels;
};
