#include "control/ui/SettingPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/ui/PreSetting_edit.h"
#include "control/ui/ShowInOutInfo.h"
#include "settings/SettingsData.h"
#include "widgets/ControlLookup.h"
#include "widgets/ServiceVisibility.h"
#include "widgets/TLedNumber.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr const char *GroupIndexProperty = "groupIndex";
const QString DefaultNote = QStringLiteral("Output from Input");
} // namespace

SettingPage::SettingPage(AppContext *context, TfrmPreSettingEdit *preSettingEdit,
                         TfrmShowInOutInfo *info, QWidget *parent)
    : QWidget(parent), ctx(context), frmPreSettingEdit(preSettingEdit), frmShowInOutInfo(info),
      FModel(new RoutingModel(RoutingModel::RunnerOf(context))) {
    setObjectName(QStringLiteral("tsSetting"));
    setMouseTracking(true);
    installEventFilter(this);

    // The pop-up menu of the input buttons.
    pm = new QMenu(this);
    pm->setObjectName(QStringLiteral("pm"));
    auto addItem = [this](const QString &name, const QString &text, int tag) {
        QAction *a = pm->addAction(text);
        a->setObjectName(name);
        a->setProperty(ControlLookup::TagProperty, tag);
        connect(a, &QAction::triggered, this, [this, tag] { mnuAllOutputsClick(tag); });
    };
    addItem(QStringLiteral("mnuAllOutputs"), QStringLiteral("All Outputs"),
            RoutingModel::MenuAllOutputs);
    pm->addSeparator()->setObjectName(QStringLiteral("N1"));
    addItem(QStringLiteral("mnu1Output"), QStringLiteral("1 Output"), 1);
    for (int m = 2; m <= 7; ++m)
        addItem(QStringLiteral("mnu%1Outputs").arg(m), QStringLiteral("%1 Outputs").arg(m), m);
    addItem(QStringLiteral("mnuPortToPort"), QStringLiteral("Port to Port"),
            RoutingModel::MenuPortToPort);
    connect(pm, &QMenu::aboutToShow, this, [this] { pmPopup(); });

    gbInputSelection = new QGroupBox(QStringLiteral("Input Selection"));
    gbInputSelection->setObjectName(QStringLiteral("gbInputSelection"));
    gbInputSelection->setMouseTracking(true);
    gbInputSelection->installEventFilter(this);
    // The input now routed to an output stands out.
    gbInputSelection->setStyleSheet(
        QStringLiteral("QToolButton:checked { background-color: #1f5fbf; color: white; "
                       "font-weight: bold; border: 1px solid #123a75; "
                       "border-radius: 3px; }"));
    lblNote = new QLabel(DefaultNote, gbInputSelection);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    QFont noteFont = lblNote->font();
    noteFont.setBold(true);
    lblNote->setFont(noteFont);
    auto *rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(2);
    for (int k = 1; k <= RoutingModel::Ports; ++k) {
        gbOutput[k - 1] = makeOutputRow(k);
        rows->addWidget(gbOutput[k - 1], (k - 1) % 4, (k - 1) / 4);
        if (k >= 5) // ports 5 to 8: hidden as delivered
            ServiceVisibility::HideAsDelivered(gbOutput[k - 1]);
    }
    rows->setColumnStretch(2, 1);
    auto *selLayout = new QVBoxLayout(gbInputSelection);
    selLayout->addWidget(lblNote);
    selLayout->addLayout(rows);

    gbPreSetting = new QGroupBox(QStringLiteral("Pre-Settings"));
    gbPreSetting->setObjectName(QStringLiteral("gbPreSetting"));
    gbPreSetting->setMouseTracking(true);
    gbPreSetting->installEventFilter(this);
    lvPreSetting =
        new QTableWidget(SettingsData::PresetCount, 1 + RoutingModel::Ports, gbPreSetting);
    lvPreSetting->setObjectName(QStringLiteral("lvPreSetting"));
    lvPreSetting->setAccessibleName(QStringLiteral("Input Selection Presets"));
    QStringList headers{QStringLiteral("Input Selection Presets")};
    for (int n = 1; n <= RoutingModel::Ports; ++n)
        headers << QStringLiteral("Output %1").arg(n);
    lvPreSetting->setHorizontalHeaderLabels(headers);
    lvPreSetting->verticalHeader()->setVisible(false);
    lvPreSetting->verticalHeader()->setDefaultSectionSize(20);
    lvPreSetting->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvPreSetting->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPreSetting->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPreSetting->setShowGrid(true);
    lvPreSetting->setWordWrap(false);
    QHeaderView *header = lvPreSetting->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->resizeSection(0, 170);
    for (int c = 1; c <= RoutingModel::Ports; ++c)
        header->resizeSection(c, 85);
    header->setStretchLastSection(false);
    for (int r = 0; r < SettingsData::PresetCount; ++r)
        for (int c = 0; c <= RoutingModel::Ports; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            lvPreSetting->setItem(r, c, item);
        }
    btnPreEdit = new QPushButton(QStringLiteral("&Edit"), gbPreSetting);
    btnPreEdit->setObjectName(QStringLiteral("btnPreEdit"));
    btnPreEdit->setAccessibleName(QStringLiteral("Edit preset"));
    btnSet = new QPushButton(QStringLiteral("&Set"), gbPreSetting);
    btnSet->setObjectName(QStringLiteral("btnSet"));
    btnSet->setAccessibleName(QStringLiteral("Apply preset"));
    auto *presetButtons = new QVBoxLayout;
    presetButtons->addWidget(btnPreEdit);
    presetButtons->addWidget(btnSet);
    presetButtons->addStretch(1);
    auto *presetLayout = new QHBoxLayout(gbPreSetting);
    presetLayout->addWidget(lvPreSetting, 1);
    presetLayout->addLayout(presetButtons);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbInputSelection);
    layout->addWidget(gbPreSetting, 1);

    connect(btnPreEdit, &QPushButton::clicked, this, [this] { btnPreEditClick(); });
    connect(btnSet, &QPushButton::clicked, this, [this] { btnSetClick(); });
    connect(lvPreSetting, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { btnPreEditClick(); }); // lvPreSettingDblClick

    FModel->Changed = [this](int output) { showRow(output); };
    SettingsData defaults;
    LoadPresets(defaults);
    for (int k = 1; k <= RoutingModel::Ports; ++k)
        showRow(k);
}

SettingPage::~SettingPage() {
    FModel->Changed = nullptr;
}

QGroupBox *SettingPage::makeOutputRow(int k) {
    auto *group = new QGroupBox(QStringLiteral("Output %1").arg(k));
    group->setObjectName(QStringLiteral("gbOutput%1").arg(k));
    group->setMouseTracking(true);
    group->installEventFilter(this);
    auto *row = new QHBoxLayout(group);
    row->setContentsMargins(6, 2, 6, 4);
    row->setSpacing(2);

    auto makeStep = [&](bool previous) {
        auto *b = new QToolButton(group);
        b->setObjectName(k == 1
                             ? (previous ? QStringLiteral("sbPrevious") : QStringLiteral("sbNext"))
                             : (previous ? QStringLiteral("sbPrevious%1").arg(k)
                                         : QStringLiteral("sbNext%1").arg(k)));
        b->setArrowType(previous ? Qt::LeftArrow : Qt::RightArrow);
        b->setFixedSize(24, 26);
        b->setAccessibleName(
            QStringLiteral("Output %1: %2 input")
                .arg(k)
                .arg(previous ? QStringLiteral("previous") : QStringLiteral("next")));
        ControlLookup::SetTag(b, previous ? 2 * k - 1 : 2 * k);
        b->setProperty(GroupIndexProperty, 0);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        connect(b, &QToolButton::clicked, this, [this, b] { sbPreviousClick(b); });
        return b;
    };

    row->addWidget(makeStep(true));
    auto *buttons = new QButtonGroup(group);
    buttons->setExclusive(true);
    FRows[k - 1] = buttons;
    for (int i = 1; i <= RoutingModel::Ports; ++i) {
        auto *b = new QToolButton(group);
        b->setObjectName(QStringLiteral("sbOutput%1Input%2").arg(k).arg(i));
        b->setText(QString::number(i));
        b->setCheckable(true);
        b->setFixedSize(26, 26);
        b->setAccessibleName(QStringLiteral("Output %1 from Input %2").arg(k).arg(i));
        b->setProperty(GroupIndexProperty, k);
        ControlLookup::SetTag(b, i);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QToolButton::customContextMenuRequested, this, [this, b](const QPoint &pos) {
            Hovered = b;
            pm->popup(b->mapToGlobal(pos));
        });
        connect(b, &QToolButton::clicked, this, [this, b] { sbSetInputClick(b); });
        buttons->addButton(b, i);
        row->addWidget(b);
    }
    row->addWidget(makeStep(false));
    auto *led = new TLedNumber(group);
    led->setObjectName(QStringLiteral("LED%1").arg(k));
    led->setAccessibleName(QStringLiteral("Input of Output %1").arg(k));
    ControlLookup::SetTag(led, k);
    led->setFixedSize(34, 30);
    row->addSpacing(6);
    row->addWidget(led);
    return group;
}

int SettingPage::GroupIndex(const QObject *button) {
    return button ? button->property(GroupIndexProperty).toInt() : 0;
}

QToolButton *SettingPage::InputButton(int output, int input) const {
    for (QToolButton *b : findChildren<QToolButton *>())
        if (GroupIndex(b) == output && output != 0 && ControlLookup::Tag(b) == input)
            return b;
    return nullptr;
}

QToolButton *SettingPage::StepButton(int tag) const {
    for (QToolButton *b : findChildren<QToolButton *>())
        if (b->property(GroupIndexProperty).isValid() && GroupIndex(b) == 0 &&
            ControlLookup::Tag(b) == tag)
            return b;
    return nullptr;
}

TLedNumber *SettingPage::LED(int output) const {
    return ControlLookup::ByTag<TLedNumber>(const_cast<SettingPage *>(this), output);
}

QString SettingPage::label(int tag) const {
    return ctx->PortLabel ? ctx->PortLabel(tag) : QString();
}

void SettingPage::showRow(int output) {
    if (TLedNumber *led = LED(output)) {
        led->setText(FModel->Display(output));
        led->repaint();
    }
    const int pressed = FModel->Pressed(output);
    QButtonGroup *group = FRows[output - 1];
    if (pressed == 0) {
        group->setExclusive(false);
        for (QAbstractButton *b : group->buttons())
            b->setChecked(false);
        group->setExclusive(true);
        return;
    }
    if (QToolButton *b = InputButton(output, pressed)) {
        b->setChecked(true);
        b->repaint();
    }
}

void SettingPage::InitialiseDisplays() {
    for (int k = 1; k <= RoutingModel::Ports; ++k)
        if (TLedNumber *led = LED(k))
            led->setDigitCount(1);
}

void SettingPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsSettingShow();
}

void SettingPage::tsSettingShow() {
    if (!ctx->PowerOn)
        return;
    if (lvPreSetting->rowCount() > 0 && SelectedPreset() < 0)
        lvPreSetting->selectRow(0);
    FModel->ReadRouting();
}

void SettingPage::sbSetInputClick(QAbstractButton *button) {
    FModel->SingleSwitch(GroupIndex(button), ControlLookup::Tag(button));
}

void SettingPage::sbPreviousClick(QAbstractButton *button) {
    FModel->Step(ControlLookup::Tag(button));
}

void SettingPage::mnuAllOutputsClick(int tag) {
    const int output = GroupIndex(Hovered);
    const int input = output != 0 ? ControlLookup::Tag(Hovered) : 0;
    if (output == 0 && tag != RoutingModel::MenuAllOutputs && tag != RoutingModel::MenuPortToPort)
        return; // the menu belongs to an input button
    if (output == 0 && tag == RoutingModel::MenuAllOutputs)
        return; // "All Outputs" needs the input of an input button
    FModel->MultiSwitch(tag, output, input);
}

void SettingPage::sbSetInputMouseMove(QAbstractButton *button, const QPoint &pos) {
    Hovered = button;
    int output = GroupIndex(button);
    int input;
    const bool stepButton = output == 0;
    if (stepButton) {
        output = RoutingModel::OutputOfStepTag(ControlLookup::Tag(button));
        input = FModel->CurrentInput(output);
    } else {
        input = ControlLookup::Tag(button);
    }
    lblNote->setText(RoutingModel::Describe(output, input, [this](int tag) { return label(tag); }));
    const bool anyLabel = frmShowInOutInfo->Rebuild([this](int tag) { return label(tag); });
    const bool displayTag = !DisplayTagChecked || DisplayTagChecked();
    if (anyLabel && displayTag && !stepButton)
        frmShowInOutInfo->ShowAt(button->mapToGlobal(QPoint(pos.x(), pos.y() + 28)));
}

void SettingPage::gbOutput1MouseMove() {
    lblNote->setText(DefaultNote);
    if (frmShowInOutInfo->isVisible())
        frmShowInOutInfo->close();
}

void SettingPage::pmPopup() {
    if (frmShowInOutInfo->isVisible())
        frmShowInOutInfo->close();
}

bool SettingPage::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::MouseMove) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (auto *b = qobject_cast<QToolButton *>(watched);
            b && b->property(GroupIndexProperty).isValid()) {
            sbSetInputMouseMove(b, me->position().toPoint());
            return true; // the groups under it do not reset the note
        }
        if (watched == this || qobject_cast<QGroupBox *>(watched))
            gbOutput1MouseMove();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Presets ---------------------------------------------------

void SettingPage::LoadPresets(const SettingsData &data) {
    lvPreSetting->clearSelection();
    for (int r = 0; r < SettingsData::PresetCount; ++r) {
        const SettingsData::Preset &p = data.presets[r];
        lvPreSetting->item(r, 0)->setText(p.name);
        for (int c = 1; c <= RoutingModel::Ports; ++c)
            lvPreSetting->item(r, c)->setText(p.columns.value(c - 1));
    }
}

void SettingPage::SavePresets(SettingsData &data) const {
    for (int r = 0; r < SettingsData::PresetCount; ++r) {
        data.presets[r].name = PresetName(r);
        data.presets[r].columns = PresetColumns(r);
    }
}

QString SettingPage::PresetName(int row) const {
    QTableWidgetItem *item = lvPreSetting->item(row, 0);
    return item ? item->text() : QString();
}

QStringList SettingPage::PresetColumns(int row) const {
    QStringList columns;
    for (int c = 1; c <= RoutingModel::Ports; ++c)
        if (QTableWidgetItem *item = lvPreSetting->item(row, c))
            columns << item->text();
    return columns;
}

int SettingPage::SelectedPreset() const {
    const QList<QTableWidgetSelectionRange> ranges = lvPreSetting->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void SettingPage::btnPreEditClick() {
    const int row = SelectedPreset();
    if (row < 0) {
        ctx->Prompts->Information(QStringLiteral("Please select item."));
        return;
    }
    frmPreSettingEdit->PrepareOutputSettingsMode();
    frmPreSettingEdit->RebuildPortLists([this](int tag) { return label(tag); });
    frmPreSettingEdit->leSettingName->setText(PresetName(row));
    const QStringList columns = PresetColumns(row);
    for (int i = 1; i <= RoutingModel::Ports; ++i) {
        bool ok = false;
        const int value = columns.value(i - 1).trimmed().toInt(&ok);
        QComboBox *combo = frmPreSettingEdit->OutputCombo(i);
        const int index = ok ? value - 1 : i - 1;
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
    frmPreSettingEdit->setWindowTitle(QStringLiteral("Edit Output Settings"));
    if (ctx->Prompts->ExecDialog(frmPreSettingEdit, frmPreSettingEdit->objectName()) !=
        QDialog::Accepted)
        return;
    lvPreSetting->item(row, 0)->setText(frmPreSettingEdit->leSettingName->text());
    for (int i = 1; i <= RoutingModel::Ports; ++i)
        lvPreSetting->item(row, i)->setText(
            QString::number(frmPreSettingEdit->OutputCombo(i)->currentIndex() + 1));
}

void SettingPage::btnSetClick() {
    const int row = SelectedPreset();
    if (row < 0) {
        ctx->Prompts->Information(QStringLiteral("Please select item."));
        return;
    }
    const RoutingModel::PresetResult result = FModel->ApplyPreset(PresetColumns(row));
    if (result.outcome == RoutingModel::PresetOutcome::Malformed)
        ctx->ShowStatus(2,
                        QStringLiteral("Preset \"%1\": Output %2 has no input from 1 to 8, "
                                       "stopped there")
                            .arg(PresetName(row))
                            .arg(result.output),
                        true);
}
