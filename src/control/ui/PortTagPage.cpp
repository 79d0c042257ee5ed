#include "control/ui/PortTagPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/SourceSettings.h"
#include "control/ui/PreSetting_edit.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "widgets/ControlLookup.h"
#include "widgets/ServiceVisibility.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

PortTagPage::PortTagPage(AppContext *context, TfrmPreSettingEdit *dialog, QWidget *parent)
    : QWidget(parent), ctx(context), frmPreSettingEdit(dialog) {
    setObjectName(QStringLiteral("tsPortTag"));
    gbInputLabeling = makeGroup(true);
    gbOutputLabeling = makeGroup(false);
    btnEditInputPortTag = new QPushButton(QStringLiteral("&Edit"));
    btnEditInputPortTag->setObjectName(QStringLiteral("btnEditInputPortTag"));
    btnEditInputPortTag->setAccessibleName(QStringLiteral("Edit input labels"));
    btnEditOutputPortTag = new QPushButton(QStringLiteral("E&dit"));
    btnEditOutputPortTag->setObjectName(QStringLiteral("btnEditOutputPortTag"));
    btnEditOutputPortTag->setAccessibleName(QStringLiteral("Edit output labels"));
    static_cast<QVBoxLayout *>(gbInputLabeling->layout())->addWidget(btnEditInputPortTag);
    static_cast<QVBoxLayout *>(gbOutputLabeling->layout())->addWidget(btnEditOutputPortTag);

    gbInputSourceType = makeTypeGroup();
    ServiceVisibility::HideAsDelivered(gbInputSourceType);

    auto *labels = new QHBoxLayout;
    labels->addWidget(gbInputLabeling);
    labels->addWidget(gbOutputLabeling);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addWidget(gbInputSourceType);
    layout->addStretch(1);

    connect(btnEditInputPortTag, &QPushButton::clicked, this,
            [this] { btnEditInputPortTagClick(); });
    connect(btnEditOutputPortTag, &QPushButton::clicked, this,
            [this] { btnEditOutputPortTagClick(); });
}

QGroupBox *PortTagPage::makeGroup(bool inputs) {
    auto *group = new QGroupBox(inputs ? QStringLiteral("Input Labeling")
                                       : QStringLiteral("Output Labeling"));
    group->setObjectName(inputs ? QStringLiteral("gbInputLabeling")
                                : QStringLiteral("gbOutputLabeling"));
    auto *outer = new QVBoxLayout(group);
    auto *form = new QFormLayout;
    for (int n = 1; n <= 8; ++n) {
        auto *edit = new QLineEdit(group);
        edit->setObjectName(inputs ? QStringLiteral("leInput%1Tag").arg(n)
                                   : QStringLiteral("leOutput%1Tag").arg(n));
        edit->setReadOnly(true);
        ControlLookup::SetTag(edit, inputs ? n : 40 + n);
        auto *label = new QLabel(inputs ? QStringLiteral("Input %1 Label").arg(n)
                                        : QStringLiteral("Output %1 Label").arg(n),
                                 group);
        label->setBuddy(edit);
        edit->setAccessibleName(label->text());
        form->addRow(label, edit);
    }
    outer->addLayout(form);
    return group;
}

QLineEdit *PortTagPage::TagEdit(int tag) const {
    return ControlLookup::ByTag<QLineEdit>(const_cast<PortTagPage *>(this), tag);
}

QString PortTagPage::Label(int tag) const {
    QLineEdit *edit = TagEdit(tag);
    return edit ? edit->text() : QString();
}

void PortTagPage::SetLabel(int tag, const QString &text) {
    if (QLineEdit *edit = TagEdit(tag))
        edit->setText(text);
}

void PortTagPage::ClearPortTags() {
    for (int n = 1; n <= 8; ++n) {
        SetLabel(n, QString());
        SetLabel(40 + n, QString());
    }
}

void PortTagPage::editLabels(bool inputs) {
    frmPreSettingEdit->PrepareLabelMode(inputs ? TfrmPreSettingEdit::Mode::InputLabels
                                               : TfrmPreSettingEdit::Mode::OutputLabels);
    for (int n = 1; n <= 8; ++n) {
        const int tag = inputs ? n : 40 + n;
        frmPreSettingEdit->Combo(tag)->setEditText(Label(tag));
    }
    if (ctx->Prompts->ExecDialog(frmPreSettingEdit, frmPreSettingEdit->objectName()) !=
        QDialog::Accepted)
        return;
    for (int n = 1; n <= 8; ++n) {
        const int tag = inputs ? n : 40 + n;
        SetLabel(tag, frmPreSettingEdit->Combo(tag)->currentText());
    }
    if (ctx->SavePortTagsAction)
        ctx->SavePortTagsAction();
    emit ctx->portLabelsChanged();
}

void PortTagPage::btnEditInputPortTagClick() {
    editLabels(true);
}
void PortTagPage::btnEditOutputPortTagClick() {
    editLabels(false);
}

// ---- Input source type ------------------------------------------

QGroupBox *PortTagPage::makeTypeGroup() {
    auto *group = new QGroupBox(QStringLiteral("Input Source Type"));
    group->setObjectName(QStringLiteral("gbInputSourceType"));
    auto *grid = new QGridLayout(group);
    for (int n = 1; n <= 8; ++n) {
        auto *pair = new QWidget(group); // the two radios of one input are exclusive
        auto *row = new QHBoxLayout(pair);
        row->setContentsMargins(0, 0, 0, 0);
        auto *caption = new QLabel(QStringLiteral("Input %1").arg(n), pair);
        auto *hdmi = new QRadioButton(QStringLiteral("HDMI"), pair);
        hdmi->setObjectName(QStringLiteral("rbTypeHDMIInput%1").arg(n));
        hdmi->setAccessibleName(QStringLiteral("Input %1 type HDMI").arg(n));
        ControlLookup::SetTag(hdmi, 10 * n + 1);
        auto *vga = new QRadioButton(QStringLiteral("VGA"), pair);
        vga->setObjectName(QStringLiteral("rbTypeVGAInput%1").arg(n));
        vga->setAccessibleName(QStringLiteral("Input %1 type VGA").arg(n));
        ControlLookup::SetTag(vga, 10 * n + 2);
        row->addWidget(caption);
        row->addWidget(hdmi);
        row->addWidget(vga);
        row->addStretch(1);
        grid->addWidget(pair, (n - 1) % 4, (n - 1) / 4);
        for (QRadioButton *rb : {hdmi, vga})
            connect(rb, &QRadioButton::clicked, this, [this, rb] { rbTypeHDMIInputClick(rb); });
    }
    return group;
}

QRadioButton *PortTagPage::TypeRadio(int input, bool vga) const {
    return ControlLookup::ByName<QRadioButton>(
        const_cast<PortTagPage *>(this),
        vga ? QStringLiteral("rbTypeVGAInput") : QStringLiteral("rbTypeHDMIInput"), input);
}

void PortTagPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsPortTagShow();
}

void PortTagPage::tsPortTagShow() {
    if (!ctx->PowerOn)
        return;
    RefreshScope scope(*FFlags);
    for (int n = 1; n <= 8; ++n)
        ReadInputType(n); // a failure affects only that input
}

bool PortTagPage::ReadInputType(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Input Source Type..."),
                        ControlRequests::inputSourceQuery(n), reply) != RunResult::Done)
        return false;
    const SourceSettings::InputType type =
        SourceSettings::TypeOfSource(ControlReplies::inputSource(reply).source);
    if (type == SourceSettings::InputType::Unknown)
        return true; // other values change nothing
    const bool vga = type == SourceSettings::InputType::Vga;
    if (QLabel *label = TypeLabel ? TypeLabel(n) : nullptr)
        label->setText(vga ? QStringLiteral("VGA") : QStringLiteral("HDMI"));
    TypeRadio(n, vga)->setChecked(true);
    return true;
}

void PortTagPage::rbTypeHDMIInputClick(QRadioButton *sender) {
    if (!FFlags->UserChange)
        return;
    const int tag = ControlLookup::Tag(sender);
    const int n = SourceSettings::TypeInputOfTag(tag);
    const bool vga = SourceSettings::TypeTagIsVga(tag);
    ctx->ShowStatus(2, QString());
    QRadioButton *hdmiRadio = TypeRadio(n, false);
    QRadioButton *vgaRadio = TypeRadio(n, true);
    hdmiRadio->setEnabled(false);
    vgaRadio->setEnabled(false);
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting Input Type"),
                           ControlRequests::inputTypeSet(n, vga), reply);
    hdmiRadio->setEnabled(true);
    vgaRadio->setEnabled(true);
    sender->setFocus();
}
