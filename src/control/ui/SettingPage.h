#pragma once
// The "Matrix control" page (tsSetting): the routing view "Input Selection"
// and the "Pre-Settings" group. The logic lives in
// RoutingModel; the page shows the model and forwards clicks to it.

#include "control/RoutingModel.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class AppContext;
class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableWidget;
class QToolButton;
class TLedNumber;
class TfrmPreSettingEdit;
class TfrmShowInOutInfo;
struct SettingsData;

class SettingPage : public QWidget {
    Q_OBJECT
public:
    SettingPage(AppContext *ctx, TfrmPreSettingEdit *preSettingEdit, TfrmShowInOutInfo *info,
                QWidget *parent = nullptr);
    ~SettingPage() override;

    RoutingModel *Model() const { return FModel.get(); }

    // Handlers under the form's names.
    void tsSettingShow();
    void sbSetInputClick(QAbstractButton *button);
    void sbPreviousClick(QAbstractButton *button);
    void mnuAllOutputsClick(int tag); // with the hovered button
    void sbSetInputMouseMove(QAbstractButton *button, const QPoint &pos);
    void gbOutput1MouseMove();
    void pmPopup();
    void btnPreEditClick();
    void btnSetClick();
    // First show of the window: the displays get one digit.
    void InitialiseDisplays();

    // Presets and the settings file.
    void LoadPresets(const SettingsData &data);
    void SavePresets(SettingsData &data) const;
    QString PresetName(int row) const;
    QStringList PresetColumns(int row) const;
    int SelectedPreset() const; // -1: none

    // Lookups: an input button by (output, input) = (group index, tag), a
    // previous/next button by tag, a display by tag (output).
    QToolButton *InputButton(int output, int input) const;
    QToolButton *StepButton(int tag) const;
    TLedNumber *LED(int output) const;
    static int GroupIndex(const QObject *button); // 0 for previous/next buttons

    // State of cbDisplayTag (General page); checked when not installed.
    std::function<bool()> DisplayTagChecked;

    QGroupBox *gbInputSelection;
    QLabel *lblNote;
    std::array<QGroupBox *, RoutingModel::Ports> gbOutput{};
    QMenu *pm;
    QGroupBox *gbPreSetting;
    QTableWidget *lvPreSetting;
    QPushButton *btnPreEdit;
    QPushButton *btnSet;
    QAbstractButton *Hovered = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *makeOutputRow(int output);
    void showRow(int output);
    QString label(int tag) const;

    AppContext *ctx;
    TfrmPreSettingEdit *frmPreSettingEdit;
    TfrmShowInOutInfo *frmShowInOutInfo;
    std::unique_ptr<RoutingModel> FModel;
    std::array<QButtonGroup *, RoutingModel::Ports> FRows{};
};
