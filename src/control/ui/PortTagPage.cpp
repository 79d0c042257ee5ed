#include "control/ui/PortTagPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/ui/PreSetting_edit.h"
#include "widgets/ControlLookup.h"

#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(gbInputLabeling);
    layout->addWidget(gbOutputLabeling);

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
