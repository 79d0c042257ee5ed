#include "firmware/ui/ConfigurationPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "firmware/FirmwareTransfer.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
const QStringList NoteLines = {
    QStringLiteral("Note: The setting of delay in seconds will cause instant waiting time."),
    QStringLiteral("Please make sure it is needed to set big value!")};
} // namespace

ConfigurationPage::ConfigurationPage(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsConfiguration"));
    gbWaitAfterReboot = makeGroup(
        QStringLiteral("More delay in seconds to wait after checking system reboot"),
        QStringLiteral("gbWaitAfterReboot"), edtWaitAfterReboot,
        QStringLiteral("edtWaitAfterReboot"), QStringLiteral("&Seconds after reboot check"),
        btnWARApply, QStringLiteral("btnWARApply"), QStringLiteral("&Apply"), btnWARDefault,
        QStringLiteral("btnWARDefault"), QStringLiteral("&Default"),
        NoteLines + QStringList{QStringLiteral("1. Happens when MAIN MCU firmware is upgraded."),
                                QStringLiteral("2. Happens when any SUB MCU firmware is upgraded."),
                                QStringLiteral("3. Happens when any BI is upgraded.")});
    gbWaitBeforeBI =
        makeGroup(QStringLiteral("More delay in seconds to wait before writing BI"),
                  QStringLiteral("gbWaitBeforeBI"), edtWaitBeforeBI,
                  QStringLiteral("edtWaitBeforeBI"), QStringLiteral("Seconds &before writing BI"),
                  btnWBBIApply, QStringLiteral("btnWBBIApply"), QStringLiteral("A&pply"),
                  btnWBBIDefault, QStringLiteral("btnWBBIDefault"), QStringLiteral("D&efault"),
                  NoteLines + QStringList{QStringLiteral("Happens when any BI is upgraded.")});
    gbWaitBeforeBI->setVisible(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbWaitAfterReboot);
    layout->addWidget(gbWaitBeforeBI);
    layout->addStretch(1);

    connect(btnWARApply, &QPushButton::clicked, this, [this] { btnWARApplyClick(); });
    connect(btnWARDefault, &QPushButton::clicked, this, [this] { btnWARDefaultClick(); });
    connect(btnWBBIApply, &QPushButton::clicked, this, [this] { btnWBBIApplyClick(); });
    connect(btnWBBIDefault, &QPushButton::clicked, this, [this] { btnWBBIDefaultClick(); });
}

QGroupBox *ConfigurationPage::makeGroup(const QString &title, const QString &name, QLineEdit *&edit,
                                        const QString &editName, const QString &editLabel,
                                        QPushButton *&apply, const QString &applyName,
                                        const QString &applyText, QPushButton *&reset,
                                        const QString &resetName, const QString &resetText,
                                        const QStringList &notes) {
    auto *group = new QGroupBox(title);
    group->setObjectName(name);
    edit = new QLineEdit;
    edit->setObjectName(editName);
    // Digits only, at most three of them.
    edit->setMaxLength(3);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edit));
    edit->setMaximumWidth(80);
    auto *label = new QLabel(editLabel);
    label->setBuddy(edit);
    edit->setAccessibleName(QString(editLabel).remove(QLatin1Char('&')));
    apply = new QPushButton(applyText);
    apply->setObjectName(applyName);
    reset = new QPushButton(resetText);
    reset->setObjectName(resetName);

    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit);
    row->addWidget(new QLabel(QStringLiteral("(0-300 seconds)")));
    row->addWidget(apply);
    row->addWidget(reset);
    row->addStretch(1);
    auto *layout = new QVBoxLayout(group);
    layout->addLayout(row);
    for (const QString &line : notes)
        layout->addWidget(new QLabel(line));
    return group;
}

void ConfigurationPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsConfigurationShow();
}

void ConfigurationPage::tsConfigurationShow() {
    edtWaitAfterReboot->setText(QString::number(ctx->AfterRebootDelay));
    edtWaitBeforeBI->setText(QString::number(ctx->BeforeBIDelay));
    edtWaitAfterReboot->setFocus();
}

void ConfigurationPage::ShowHiddenGroups(bool show) {
    gbWaitBeforeBI->setVisible(show);
}

bool ConfigurationPage::applyValue(QLineEdit *edit, int &value) {
    bool ok = false;
    const int v = edit->text().toInt(&ok);
    if (!ok) {
        ctx->Prompts->Error(QStringLiteral("'%1' is not a valid integer value").arg(edit->text()));
        return false;
    }
    value = qBound(0, v, MaxDelay);
    edit->setText(QString::number(value));
    return true;
}

void ConfigurationPage::setAfterRebootDelay(int seconds) {
    ctx->AfterRebootDelay = seconds;
    ctx->Firmware->AfterRebootDelay = seconds;
}

void ConfigurationPage::btnWARApplyClick() {
    int value = 0;
    if (applyValue(edtWaitAfterReboot, value))
        setAfterRebootDelay(value);
}

void ConfigurationPage::btnWARDefaultClick() {
    edtWaitAfterReboot->setText(QStringLiteral("0"));
    setAfterRebootDelay(0);
}

void ConfigurationPage::btnWBBIApplyClick() {
    int value = 0;
    if (applyValue(edtWaitBeforeBI, value))
        ctx->BeforeBIDelay = value;
}

void ConfigurationPage::btnWBBIDefaultClick() {
    edtWaitBeforeBI->setText(QStringLiteral("0"));
    ctx->BeforeBIDelay = 0;
}
