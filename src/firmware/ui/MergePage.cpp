#include "firmware/ui/MergePage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

const QString OpenCaption = QStringLiteral("Open MCU Firmware");
const QString OpenFilter = QStringLiteral("FW binary file(*.bin)");

// Name stems of each row's controls: the file edit, open button and version
// edits; the "MCU&,PCB" edit.
const char *const FileStems[MergeRowCount] = {
    "MainMCU", "SlaveMCU1", "IRMXMCU2", "PanelMCU3", "IDIRMCU4", "InputCardMCU5", "OutputCardMCU6"};
const char *const PcbStems[MergeRowCount] = {"MainMCU", "SlaveMCU",     "IRMXMCU",      "PanelMCU",
                                             "IDIRMCU", "InputCardMCU", "OutputCardMCU"};

QLineEdit *edit(const QString &name, const QString &accessible) {
    auto *e = new QLineEdit;
    e->setObjectName(name);
    e->setAccessibleName(accessible);
    return e;
}

// At most three characters, digits only (the version edits).
QLineEdit *versionEdit(const QString &name, const QString &accessible) {
    QLineEdit *e = edit(name, accessible);
    e->setMaxLength(3);
    e->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), e));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12);
    return e;
}

} // namespace

MergePage::MergePage(AppContext *context, QWidget *parent) : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsMergeFW"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("MCU firmware file")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Version")), 0, 3, 1, 3);
    auto *pcbHeader = new QLabel(QStringLiteral("MCU&,PCB"));
    grid->addWidget(pcbHeader, 0, 6);
    for (int i = 0; i < MergeRowCount; ++i) {
        const MergeRowKind kind = MergeRowKind(i);
        const QString name = FirmwareMerge::RowLogName(kind);
        const QString stem = QString::fromLatin1(FileStems[i]);
        Row &row = Rows[size_t(i)];
        row.File = edit(QStringLiteral("edt") + stem + QStringLiteral("FW"),
                        name + QStringLiteral(" firmware file"));
        row.Open = new QPushButton(QStringLiteral("..."));
        row.Open->setObjectName(QStringLiteral("btnOpen") + stem);
        row.Open->setProperty("tag", i);
        row.Open->setAutoDefault(false);
        row.Open->setAccessibleName(QStringLiteral("Open ") + name + QStringLiteral(" firmware"));
        row.Ver1 = versionEdit(QStringLiteral("le") + stem + QStringLiteral("FWVer1"),
                               name + QStringLiteral(" major version"));
        row.Ver2 = versionEdit(QStringLiteral("le") + stem + QStringLiteral("FWVer2"),
                               name + QStringLiteral(" minor version"));
        row.Pcb =
            edit(QStringLiteral("le") + QString::fromLatin1(PcbStems[i]) + QStringLiteral("PCB"),
                 name + QStringLiteral(" MCU and PCB"));
        row.Pcb->setMaximumWidth(row.Pcb->fontMetrics().horizontalAdvance(QStringLiteral("M")) *
                                 10);
        auto *label = new QLabel(name + QLatin1Char(':'));
        label->setBuddy(row.File);
        grid->addWidget(label, i + 1, 0);
        grid->addWidget(row.File, i + 1, 1);
        grid->addWidget(row.Open, i + 1, 2);
        grid->addWidget(row.Ver1, i + 1, 3);
        grid->addWidget(new QLabel(QStringLiteral(".")), i + 1, 4);
        grid->addWidget(row.Ver2, i + 1, 5);
        grid->addWidget(row.Pcb, i + 1, 6);
        connect(row.Open, &QPushButton::clicked, this, [this, i] { OpenMergeSource(i); });
    }
    pcbHeader->setBuddy(Rows[0].Pcb);
    grid->setColumnStretch(1, 1);

    edtProductName = edit(QStringLiteral("edtProductName"), QStringLiteral("Product Name"));
    edtEndWithDateStamp =
        edit(QStringLiteral("edtEndWithDateStamp"), QStringLiteral("End with Date Stamp"));
    btnMerge = new QPushButton(QStringLiteral("&Merge"));
    btnMerge->setObjectName(QStringLiteral("btnMerge"));
    btnMerge->setAutoDefault(false);
    btnMerge->setAccessibleName(QStringLiteral("Merge"));
    auto *nameRow = new QHBoxLayout;
    auto *productLabel = new QLabel(QStringLiteral("Product &Name"));
    productLabel->setBuddy(edtProductName);
    auto *dateLabel = new QLabel(QStringLiteral("End with &Date Stamp"));
    dateLabel->setBuddy(edtEndWithDateStamp);
    nameRow->addWidget(productLabel);
    nameRow->addWidget(edtProductName, 2);
    nameRow->addWidget(dateLabel);
    nameRow->addWidget(edtEndWithDateStamp, 1);
    nameRow->addWidget(btnMerge);

    auto *sources = new QGroupBox(QStringLiteral("Merge Firmware"));
    sources->setObjectName(QStringLiteral("gbMergeFW"));
    auto *sourcesLayout = new QVBoxLayout(sources);
    sourcesLayout->addLayout(grid);
    sourcesLayout->addLayout(nameRow);

    mmoMessage1 = new QPlainTextEdit;
    mmoMessage1->setObjectName(QStringLiteral("mmoMessage1"));
    mmoMessage1->setReadOnly(true);
    mmoMessage1->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoMessage1->setAccessibleName(QStringLiteral("Merge messages"));
    Button2 = new QPushButton(QStringLiteral("&Clear"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    Button2->setAccessibleName(QStringLiteral("Clear the merge messages"));
    auto *messages = new QGroupBox(QStringLiteral("Messages"));
    auto *messagesLayout = new QVBoxLayout(messages);
    messagesLayout->addWidget(mmoMessage1, 1);
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    clearRow->addWidget(Button2);
    messagesLayout->addLayout(clearRow);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sources);
    layout->addWidget(messages, 1);

    connect(btnMerge, &QPushButton::clicked, this, [this] { MergeFirmware(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

void MergePage::InitialiseDateStamp(const QDate &today) {
    edtEndWithDateStamp->setText(today.toString(QStringLiteral("yyyyMMdd")));
}

void MergePage::log(const QString &text) {
    // A text may carry CR LF: each piece is a line of the memo.
    for (const QString &line : text.split(QStringLiteral("\r\n")))
        mmoMessage1->appendPlainText(line);
}

void MergePage::Button2Click() {
    mmoMessage1->clear();
}

void MergePage::OpenMergeSource(int row) {
    if (row < 0 || row >= MergeRowCount)
        return;
    const QString &remembered = FOpenPath.Paths[row];
    const QString path = ctx->Prompts->OpenFileName(
        OpenCaption, OpenFilter, remembered.isEmpty() ? ctx->AppFolder : remembered);
    if (path.isEmpty())
        return;
    QLineEdit *file = Rows[size_t(row)].File;
    file->setText(QDir::toNativeSeparators(path));
    file->setCursorPosition(int(file->text().size()));
    FOpenPath.Paths[row] = QFileInfo(path).absolutePath();
}

void MergePage::MergeFirmware() {
    std::array<MergeRow, MergeRowCount> rows;
    for (int i = 0; i < MergeRowCount; ++i) {
        const Row &row = Rows[size_t(i)];
        rows[size_t(i)] = {row.File->text(), row.Ver1->text(), row.Ver2->text(), row.Pcb->text()};
    }
    const MergeResult result =
        FirmwareMerge::Merge(rows, edtProductName->text(), edtEndWithDateStamp->text());

    for (int i = 0; i < MergeRowCount; ++i) {
        const Row &row = Rows[size_t(i)];
        const MergeRowResult &r = result.Rows[size_t(i)];
        row.File->setText(r.FilePath);
        if (!r.Merged)
            continue;
        row.Ver1->setText(QString::number(r.Ver1.Value));
        row.Ver2->setText(QString::number(r.Ver2.Value));
        row.Pcb->setText(r.PcbText);
    }
    if (ctx->LastFirmwareFolder.isEmpty())
        ctx->LastFirmwareFolder = result.FirstSourceFolder;
    for (const QString &line : result.Log)
        log(line);
    if (result.Empty())
        return;

    QString folder = ctx->AppFolder;
    for (const QString &remembered : FOpenPath.Paths)
        if (!remembered.isEmpty()) {
            folder = remembered;
            break;
        }
    // Only the file name is upper-cased: the folder keeps its case.
    const QString path = FirmwareMerge::JoinPath(folder, result.FileName);
    if (QFileInfo::exists(path) &&
        !ctx->Prompts->Question(QStringLiteral("Firmware file: ") + path +
                                QStringLiteral(" exists, overwrite it?"))) {
        log(QStringLiteral("Save canceled"));
        return;
    }
    QString error;
    if (!FirmwareMerge::SaveFile(path, result.Bytes, &error)) {
        log(QStringLiteral("Unable to write to ") + path + QStringLiteral(": ") + error);
        ctx->Prompts->Error(QStringLiteral("Unable to write to ") + path);
        return;
    }
    FSavedPath = path;
    log(QString());
    log(QStringLiteral("Firmware merged complete, save to file: \r\n") + path);
}
