#include "firmware/ui/FWInfoPage.h"

#include "app/PromptService.h"
#include "firmware/PackageInfoReport.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace {

const QString OpenCaption = QStringLiteral("Open Firmware File");
const QString OpenFilter =
    QStringLiteral("Version Controlled Firmware(*.fw2);;Firmware File(*.fw)");
const QString SaveFilter = QStringLiteral("Text File(*.txt)");
const QString NotAPackage = QStringLiteral("Please open [.fw2] firmware package file.");
const QString SaveCancelled = QStringLiteral("Save cancelled");
const QString SavedOkay = QStringLiteral("Saved Okay");
const QString SaveFailed = QStringLiteral("Save failed");
const QString CrLf = QStringLiteral("\r\n");
constexpr int StatusPanel = 3;

QPushButton *button(const QString &caption, const QString &name) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel *buddyLabel(const QString &text, QWidget *buddy, const QString &accessibleName) {
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    buddy->setAccessibleName(accessibleName);
    return label;
}

} // namespace

FWInfoPage::FWInfoPage(PromptService *promptService, QWidget *parent)
    : QWidget(parent), prompts(promptService) {
    setObjectName(QStringLiteral("tsFWInfo"));

    edtFPF = new QLineEdit;
    edtFPF->setObjectName(QStringLiteral("edtFPF"));
    edtFPF->setReadOnly(true);
    bbOpenFPF = button(QStringLiteral("&Open..."), QStringLiteral("bbOpenFPF"));
    bbOpenFPF->setAccessibleDescription(QStringLiteral("Open a firmware package file"));
    mmoInfoFPF = new QPlainTextEdit;
    mmoInfoFPF->setObjectName(QStringLiteral("mmoInfoFPF"));
    mmoInfoFPF->setReadOnly(true);
    mmoInfoFPF->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoInfoFPF->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    btnSaveInfoFPF = button(QStringLiteral("&Save"), QStringLiteral("btnSaveInfoFPF"));
    btnSaveInfoFPF->setAccessibleDescription(QStringLiteral("Save the information as text"));
    btnClearInfoFPF = button(QStringLiteral("&Clear"), QStringLiteral("btnClearInfoFPF"));
    btnClearInfoFPF->setAccessibleDescription(QStringLiteral("Clear the information"));

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(buddyLabel(QStringLiteral("Firmware package &file:"), edtFPF,
                                  QStringLiteral("Firmware package file")));
    fileRow->addWidget(edtFPF, 1);
    fileRow->addWidget(bbOpenFPF);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSaveInfoFPF);
    buttons->addWidget(btnClearInfoFPF);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addWidget(buddyLabel(QStringLiteral("Package &information:"), mmoInfoFPF,
                                 QStringLiteral("Package information")));
    layout->addWidget(mmoInfoFPF, 1);
    layout->addLayout(buttons);

    connect(bbOpenFPF, &QPushButton::clicked, this, [this] { ShowPackageInfo(); });
    connect(btnSaveInfoFPF, &QPushButton::clicked, this, [this] { SavePackageInfo(); });
    connect(btnClearInfoFPF, &QPushButton::clicked, this, [this] { btnClearInfoFPFClick(); });
}

void FWInfoPage::ShowPackageInfo() {
    const QString path = prompts->OpenFileName(OpenCaption, OpenFilter);
    if (path.isEmpty())
        return;
    edtFPF->setText(path);
    edtFPF->setCursorPosition(int(path.size()));
    if (QFileInfo(path).suffix().toLower() != QLatin1String("fw2")) {
        prompts->Information(NotAPackage);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        prompts->Error(QStringLiteral("Cannot read file: [") + path + QStringLiteral("]"));
        return;
    }
    const QByteArray bytes = file.readAll();
    const QString stamp =
        QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    QString text = PackageInfoText(bytes, path, stamp);
    text.replace(CrLf, QStringLiteral("\n"));
    mmoInfoFPF->setPlainText(text);
}

QString FWInfoPage::InfoText() const {
    return mmoInfoFPF->toPlainText().replace(QLatin1Char('\n'), CrLf);
}

void FWInfoPage::SavePackageInfo() {
    if (mmoInfoFPF->document()->isEmpty())
        return;
    emit statusText(StatusPanel, QString());
    QString path = prompts->SaveFileName(QString(), SaveFilter);
    if (path.isEmpty()) {
        emit statusText(StatusPanel, SaveCancelled);
        return;
    }
    if (QFileInfo(path).suffix().toUpper() != QLatin1String("TXT"))
        path += QStringLiteral(".txt");
    if (QFileInfo::exists(path) && !prompts->Question(QStringLiteral("File: [") + path +
                                                      QStringLiteral("] exists, overwrite it?"))) {
        emit statusText(StatusPanel, SaveCancelled);
        return;
    }
    QSaveFile file(path);
    const QByteArray bytes = (InfoText() + CrLf).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        emit statusText(StatusPanel, SaveFailed);
        return;
    }
    emit statusText(StatusPanel, SavedOkay);
}

void FWInfoPage::btnClearInfoFPFClick() {
    mmoInfoFPF->clear();
}
