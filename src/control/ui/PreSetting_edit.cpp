#include "control/ui/PreSetting_edit.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "widgets/ControlLookup.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmPreSettingEdit::TfrmPreSettingEdit(AppContext *context, QWidget *parent)
    : QDialog(parent), ctx(context) {
    setObjectName(QStringLiteral("frmPreSettingEdit"));
    gbInputLabels = makeGroup(true);
    gbOutputLabels = makeGroup(false);
    gbOutputSetting = makeOutputSettingGroup();

    btnOK = new QPushButton(QStringLiteral("&OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbInputLabels);
    layout->addWidget(gbOutputLabels);
    layout->addWidget(gbOutputSetting);
    layout->addLayout(buttons);

    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QGroupBox *TfrmPreSettingEdit::makeGroup(bool inputs) {
    auto *group = new QGroupBox(
        inputs ? QStringLiteral("Input Labels") : QStringLiteral("Output Labels"), this);
    group->setObjectName(inputs ? QStringLiteral("gbInputLabels")
                                : QStringLiteral("gbOutputLabels"));
    auto *grid = new QGridLayout(group);
    for (int n = 1; n <= 8; ++n) {
        const int tag = inputs ? n : 40 + n;
        auto *label = new QLabel(QStringLiteral("Device name connected to %1 %2")
                                     .arg(inputs ? "Input" : "Output")
                                     .arg(n),
                                 group);
        auto *combo = new QComboBox(group);
        combo->setObjectName(inputs ? QStringLiteral("cbDevNameOfInput%1").arg(n)
                                    : QStringLiteral("cbDispNameOfOutput%1").arg(n));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(16);
        combo->setMinimumWidth(150);
        ControlLookup::SetTag(combo, tag);
        label->setBuddy(combo);
        combo->setAccessibleName(label->text());
        auto *del = new QPushButton(QStringLiteral("\u00D7"), group);
        del->setObjectName(inputs ? QStringLiteral("btnDeleteInput%1Tag").arg(n)
                                  : QStringLiteral("btnDeleteOutput%1Tag").arg(n));
        del->setFixedWidth(24);
        del->setAccessibleName(
            QStringLiteral("Delete the name of %1 %2").arg(inputs ? "Input" : "Output").arg(n));
        ControlLookup::SetTag(del, tag);
        connect(del, &QPushButton::clicked, this, [this, tag] { btnDeleteTagClick(tag); });
        const int row = (n - 1) % 4, col = ((n - 1) / 4) * 3;
        grid->addWidget(label, row, col);
        grid->addWidget(combo, row, col + 1);
        grid->addWidget(del, row, col + 2);
    }
    return group;
}

QGroupBox *TfrmPreSettingEdit::makeOutputSettingGroup() {
    auto *group = new QGroupBox(QStringLiteral("Output Settings"), this);
    group->setObjectName(QStringLiteral("gbOutputSetting"));
    gbOutputSetting = group;
    auto *grid = new QGridLayout(group);
    auto *nameLabel = new QLabel(QStringLiteral("Setting name"), group);
    leSettingName = new QLineEdit(group);
    leSettingName->setObjectName(QStringLiteral("leSettingName"));
    leSettingName->setAccessibleName(QStringLiteral("Setting name"));
    nameLabel->setBuddy(leSettingName);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(leSettingName, 0, 1, 1, 3);
    for (int n = 1; n <= 8; ++n) {
        auto *label = new QLabel(QStringLiteral("Out %1 from").arg(n), group);
        label->setObjectName(QStringLiteral("lblOutput%1").arg(n));
        ControlLookup::SetTag(label, 80 + n);
        auto *combo = new QComboBox(group);
        combo->setObjectName(QStringLiteral("cbFromDeviceOfOutput%1").arg(n));
        ControlLookup::SetTag(combo, 80 + n);
        combo->setAccessibleName(QStringLiteral("Output %1 from").arg(n));
        combo->setMinimumWidth(140);
        label->setBuddy(combo);
        const int row = 1 + (n - 1) % 4, col = ((n - 1) / 4) * 2;
        grid->addWidget(label, row, col);
        grid->addWidget(combo, row, col + 1);
    }
    auto *allLabel = new QLabel(QStringLiteral("All Outputs from"), group);
    cbFromDeviceOfAllOutput = new QComboBox(group);
    cbFromDeviceOfAllOutput->setObjectName(QStringLiteral("cbFromDeviceOfAllOutput"));
    cbFromDeviceOfAllOutput->setAccessibleName(QStringLiteral("All Outputs from"));
    allLabel->setBuddy(cbFromDeviceOfAllOutput);
    grid->addWidget(allLabel, 5, 0);
    grid->addWidget(cbFromDeviceOfAllOutput, 5, 1);
    RebuildPortLists(nullptr);
    connect(cbFromDeviceOfAllOutput, &QComboBox::activated, this,
            [this](int index) { cbFromDeviceOfAllOutputChange(index); });
    return group;
}

QComboBox *TfrmPreSettingEdit::OutputCombo(int output) const {
    return Combo(80 + output);
}

void TfrmPreSettingEdit::RebuildPortLists(const std::function<QString(int)> &label) {
    auto labelOf = [&](int tag) { return label ? label(tag) : QString(); };
    QStringList inputs;
    for (int n = 1; n <= 8; ++n) {
        const QString text = labelOf(n);
        inputs << (text.isEmpty() ? QStringLiteral("In %1").arg(n)
                                  : QStringLiteral("In %1 - [%2]").arg(n).arg(text));
    }
    for (int n = 1; n <= 8; ++n) {
        const QString text = labelOf(40 + n);
        if (auto *l = ControlLookup::ByTag<QLabel>(gbOutputSetting, 80 + n))
            l->setText(text.isEmpty() ? QStringLiteral("Out %1 from").arg(n)
                                      : QStringLiteral("Out %1 - [%2] from").arg(n).arg(text));
        QComboBox *combo = OutputCombo(n);
        const int index = combo->currentIndex();
        combo->clear();
        combo->addItems(inputs);
        combo->setCurrentIndex(index);
    }
    const int all = cbFromDeviceOfAllOutput->currentIndex();
    cbFromDeviceOfAllOutput->clear();
    cbFromDeviceOfAllOutput->addItems(QStringList{QStringLiteral("Select Input")} + inputs +
                                      QStringList{QStringLiteral("Port to Port")});
    cbFromDeviceOfAllOutput->setCurrentIndex(all < 0 ? 0 : all);
}

void TfrmPreSettingEdit::cbFromDeviceOfAllOutputChange(int index) {
    if (index <= 0 || index > 9)
        return; // "Select Input"
    for (int i = 1; i <= 8; ++i)
        OutputCombo(i)->setCurrentIndex(index == 9 ? i - 1 : index - 1);
}

void TfrmPreSettingEdit::PrepareOutputSettingsMode() {
    FMode = Mode::OutputSettings;
    resize(567, 292);
    gbInputLabels->setVisible(false);
    gbOutputLabels->setVisible(false);
    gbOutputSetting->setVisible(true);
    cbFromDeviceOfAllOutput->setCurrentIndex(0);
}

QComboBox *TfrmPreSettingEdit::Combo(int tag) const {
    return ControlLookup::ByTag<QComboBox>(const_cast<TfrmPreSettingEdit *>(this), tag);
}

void TfrmPreSettingEdit::PrepareLabelMode(Mode mode) {
    FMode = mode;
    const bool inputs = mode == Mode::InputLabels;
    resize(635, 236);
    gbInputLabels->setVisible(inputs);
    gbOutputLabels->setVisible(!inputs);
    gbOutputSetting->setVisible(false);
    setWindowTitle(inputs ? QStringLiteral("Edit Input Labels")
                          : QStringLiteral("Edit Output Labels"));
}

QStringList TfrmPreSettingEdit::names(bool inputs) const {
    QStringList list;
    QComboBox *first = Combo(inputs ? 1 : 41);
    for (int i = 0; i < first->count(); ++i)
        list.append(first->itemText(i));
    return list;
}

void TfrmPreSettingEdit::setNames(bool inputs, const QStringList &list) {
    QStringList sorted = list;
    sorted.sort(Qt::CaseInsensitive);
    for (int n = 1; n <= 8; ++n) {
        QComboBox *combo = Combo(inputs ? n : 40 + n);
        const QString text = combo->currentText();
        combo->clear();
        combo->addItems(sorted);
        combo->setEditText(text);
    }
}

QStringList TfrmPreSettingEdit::InputNames() const {
    return names(true);
}
QStringList TfrmPreSettingEdit::OutputNames() const {
    return names(false);
}
void TfrmPreSettingEdit::SetInputNames(const QStringList &list) {
    setNames(true, list);
}
void TfrmPreSettingEdit::SetOutputNames(const QStringList &list) {
    setNames(false, list);
}

void TfrmPreSettingEdit::btnOKClick() {
    if (FMode == Mode::OutputSettings) {
        accept();
        return;
    }
    const bool inputs = FMode == Mode::InputLabels;
    QStringList list = names(inputs);
    for (int n = 1; n <= 8; ++n) {
        const QString text = Combo(inputs ? n : 40 + n)->currentText();
        if (!text.isEmpty() && !list.contains(text))
            list.append(text);
    }
    setNames(inputs, list);
    accept();
}

void TfrmPreSettingEdit::btnDeleteTagClick(int tag) {
    const bool inputs = tag < 40;
    QComboBox *combo = Combo(tag);
    const QString name = combo->currentText();
    if (name.isEmpty())
        return;
    for (int n = 1; n <= 8; ++n) {
        const int other = inputs ? n : 40 + n;
        if (other != tag && Combo(other)->currentText() == name) {
            ctx->Prompts->Information(
                inputs ? QStringLiteral("Input port tag in use, can't be deleted.")
                       : QStringLiteral("Output port tag in use, can't be deleted."));
            return;
        }
    }
    const QString question = (inputs ? QStringLiteral("Sure to delete Input port tag: [")
                                     : QStringLiteral("Sure to delete Output port tag: [")) +
                             name + QStringLiteral("] ?");
    if (!ctx->Prompts->Question(question))
        return;
    QStringList list = names(inputs);
    list.removeAll(name);
    setNames(inputs, list);
    combo->setEditText(QString());
}
