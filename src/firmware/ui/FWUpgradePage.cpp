#include "firmware/ui/FWUpgradePage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "widgets/TCaptionGauge.h"
#include "widgets/UpgradeLogMemo.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString OpenCaption = QStringLiteral("Open Firmware File");
const QString OpenFilter = QStringLiteral("Firmware file(*.fw)");

QPushButton *button(const QString &caption, const QString &name, const QString &accessible) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setAccessibleName(accessible);
    return b;
}

QCheckBox *box(const QString &caption, const QString &name, const QString &accessible) {
    auto *b = new QCheckBox(caption);
    b->setObjectName(name);
    b->setAccessibleName(accessible);
    b->setEnabled(false);
    return b;
}

} // namespace

FWUpgradePage::FWUpgradePage(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context), FUpgrade(new FileUpgrade(context, this)) {
    setObjectName(QStringLiteral("tsFWUpgrade"));

    gbFWUpgrade = new QGroupBox(QStringLiteral("Matrix Firmware Upgrade"));
    gbFWUpgrade->setObjectName(QStringLiteral("gbFWUpgrade"));
    edtFWFile = new QLineEdit;
    edtFWFile->setObjectName(QStringLiteral("edtFWFile"));
    edtFWFile->setReadOnly(true);
    edtFWFile->setAccessibleName(QStringLiteral("Firmware file"));
    btnOpenFW = button(QStringLiteral("&Open..."), QStringLiteral("btnOpenFW"),
                       QStringLiteral("Open firmware file"));
    tsgFWProgress = new TCaptionGauge;
    tsgFWProgress->setObjectName(QStringLiteral("tsgFWProgress"));
    tsgFWProgress->setAccessibleName(QStringLiteral("Upgrade progress"));
    tsgFWProgress->SetCaption(QStringLiteral("Upgrade progress"));
    btnUpgrade =
        button(QStringLiteral("&Upgrade"), QStringLiteral("btnUpgrade"), QStringLiteral("Upgrade"));
    btnUpgrade->setEnabled(false);

    cbMainMCU = box(QStringLiteral("M"), QStringLiteral("cbMainMCU"), QStringLiteral("Main MCU"));
    for (int n = 1; n <= 9; ++n) {
        const bool all = n == 9;
        cbInputMCU[size_t(n - 1)] = box(
            all ? QStringLiteral("All") : QString::number(n), QStringLiteral("cbInputMCU%1").arg(n),
            all ? QStringLiteral("All input cards") : QStringLiteral("Input card %1").arg(n));
        cbOutputMCU[size_t(n - 1)] =
            box(all ? QStringLiteral("All") : QString::number(n),
                QStringLiteral("cbOutputMCU%1").arg(n),
                all ? QStringLiteral("All output cards") : QStringLiteral("Output card %1").arg(n));
    }
    cbFrontPanelMCU = box(QStringLiteral("FP"), QStringLiteral("cbFrontPanelMCU"),
                          QStringLiteral("Front panel MCU"));
    cbIRMXMCU =
        box(QStringLiteral("IR"), QStringLiteral("cbIRMXMCU"), QStringLiteral("IR matrix MCU"));
    cbSlaveMCU =
        box(QStringLiteral("S"), QStringLiteral("cbSlaveMCU"), QStringLiteral("Slave MCU"));
    cbIDIRMCU =
        box(QStringLiteral("IDIR"), QStringLiteral("cbIDIRMCU"), QStringLiteral("IDIR MCU"));

    FBoxes[FileBox::Main] = cbMainMCU;
    for (int n = 0; n < FileBox::CardSlots; ++n) {
        FBoxes[size_t(FileBox::Input1 + n)] = cbInputMCU[size_t(n)];
        FBoxes[size_t(FileBox::Output1 + n)] = cbOutputMCU[size_t(n)];
    }
    FBoxes[FileBox::FrontPanel] = cbFrontPanelMCU;
    FBoxes[FileBox::IrMatrix] = cbIRMXMCU;
    FBoxes[FileBox::Slave] = cbSlaveMCU;
    FBoxes[FileBox::Idir] = cbIDIRMCU;

    const char *labelTexts[LabelCount] = {
        "Main:", "Input cards:", "Output cards:", "Front panel:", "IR matrix:", "Slave:", "IDIR:"};
    const char *labelNames[LabelCount] = {"lblMainMCU",       "lblInputMCU", "lblOutputMCU",
                                          "lblFrontPanelMCU", "lblIRMXMCU",  "lblSlaveMCU",
                                          "lblIDIRMCU"};
    for (int i = 0; i < LabelCount; ++i) {
        Labels[size_t(i)] = new QLabel(QString::fromLatin1(labelTexts[i]));
        Labels[size_t(i)]->setObjectName(QString::fromLatin1(labelNames[i]));
        Labels[size_t(i)]->setEnabled(false);
    }
    Labels[LabelMain]->setBuddy(cbMainMCU);
    Labels[LabelInput]->setBuddy(cbInputMCU[0]);
    Labels[LabelOutput]->setBuddy(cbOutputMCU[0]);
    Labels[LabelFrontPanel]->setBuddy(cbFrontPanelMCU);
    Labels[LabelIRMX]->setBuddy(cbIRMXMCU);
    Labels[LabelSlave]->setBuddy(cbSlaveMCU);
    Labels[LabelIDIR]->setBuddy(cbIDIRMCU);

    gbMessages = new QGroupBox(QStringLiteral("Messages"));
    gbMessages->setObjectName(QStringLiteral("gbMessages"));
    mmoMessage = new QPlainTextEdit;
    mmoMessage->setObjectName(QStringLiteral("mmoMessage"));
    mmoMessage->setReadOnly(true);
    mmoMessage->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoMessage->setAccessibleName(QStringLiteral("Firmware upgrade messages"));
    Button1 = button(QStringLiteral("&Clear"), QStringLiteral("Button1"),
                     QStringLiteral("Clear the messages"));

    // Layout: the file row, the part grid, the gauge with the button; the
    // messages beside them.
    auto *fileRow = new QHBoxLayout;
    auto *fileLabel = new QLabel(QStringLiteral("Firmware &file:"));
    fileLabel->setBuddy(edtFWFile);
    fileRow->addWidget(fileLabel);
    fileRow->addWidget(edtFWFile, 1);
    fileRow->addWidget(btnOpenFW);
    auto *grid = new QGridLayout;
    const auto single = [&](int row, LabelIndex label, QCheckBox *b) {
        grid->addWidget(Labels[size_t(label)], row, 0);
        grid->addWidget(b, row, 1, 1, 2);
    };
    single(0, LabelMain, cbMainMCU);
    grid->addWidget(Labels[LabelInput], 1, 0);
    grid->addWidget(Labels[LabelOutput], 2, 0);
    for (int n = 0; n < 9; ++n) {
        grid->addWidget(cbInputMCU[size_t(n)], 1, 1 + n);
        grid->addWidget(cbOutputMCU[size_t(n)], 2, 1 + n);
    }
    single(3, LabelFrontPanel, cbFrontPanelMCU);
    single(4, LabelIRMX, cbIRMXMCU);
    single(5, LabelSlave, cbSlaveMCU);
    single(6, LabelIDIR, cbIDIRMCU);
    grid->setColumnStretch(10, 1);
    auto *runRow = new QHBoxLayout;
    runRow->addWidget(tsgFWProgress, 1);
    runRow->addWidget(btnUpgrade);
    auto *upgradeLayout = new QVBoxLayout(gbFWUpgrade);
    upgradeLayout->addLayout(fileRow);
    upgradeLayout->addLayout(grid);
    upgradeLayout->addStretch(1);
    upgradeLayout->addLayout(runRow);

    auto *messagesLayout = new QVBoxLayout(gbMessages);
    messagesLayout->addWidget(mmoMessage, 1);
    auto *clearRow = new QHBoxLayout;
    clearRow->addStretch(1);
    clearRow->addWidget(Button1);
    messagesLayout->addLayout(clearRow);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(gbFWUpgrade, 3);
    layout->addWidget(gbMessages, 2);

    connect(btnOpenFW, &QPushButton::clicked, this, [this] { OpenFirmwareFile(); });
    connect(btnUpgrade, &QPushButton::clicked, this, [this] { UpgradeFromFile(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    for (int row = InputRow; row <= OutputRow; ++row) {
        const auto &boxes = row == InputRow ? cbInputMCU : cbOutputMCU;
        const CardRow r = CardRow(row);
        for (int n = 0; n < FileBox::CardSlots; ++n)
            connect(boxes[size_t(n)], &QCheckBox::toggled, this, [this, r] {
                if (!FAllClick)
                    SyncAllBox(r);
            });
        connect(boxes[8], &QCheckBox::toggled, this, [this, r] {
            if (!FSingleClick)
                ApplyAllBox(r);
        });
    }

    connect(FUpgrade, &FileUpgrade::running, this, [this](bool on) { setRunning(on); });
    connect(FUpgrade, &FileUpgrade::upgradeLog, this, [this](const QString &line) { log(line); });
    connect(FUpgrade, &FileUpgrade::gaugeChanged, this,
            [this](const QString &caption, int position) {
                tsgFWProgress->SetCaption(caption);
                tsgFWProgress->SetPosition(position);
                FLastPercent = position;
            });
    connect(FUpgrade, &FileUpgrade::boxMarked, this,
            [this](int fileBox, bool failed) { markBox(fileBox, failed); });
}

QLabel *FWUpgradePage::LabelOfBox(int fileBox) const {
    if (fileBox == FileBox::Main)
        return Labels[LabelMain];
    if (fileBox < FileBox::Output1)
        return Labels[LabelInput];
    if (fileBox < FileBox::FrontPanel)
        return Labels[LabelOutput];
    if (fileBox == FileBox::FrontPanel)
        return Labels[LabelFrontPanel];
    if (fileBox == FileBox::IrMatrix)
        return Labels[LabelIRMX];
    if (fileBox == FileBox::Slave)
        return Labels[LabelSlave];
    return Labels[LabelIDIR];
}

bool FWUpgradePage::BoxMarked(int fileBox) const {
    return Box(fileBox)->palette().color(QPalette::WindowText) == QColor(Qt::red);
}

QList<QCheckBox *> FWUpgradePage::allBoxes() const {
    QList<QCheckBox *> boxes(FBoxes.begin(), FBoxes.end());
    boxes << cbInputMCU[8] << cbOutputMCU[8];
    return boxes;
}

void FWUpgradePage::log(const QString &line) {
    mmoMessage->appendPlainText(line);
}

void FWUpgradePage::Button1Click() {
    mmoMessage->clear();
}

void FWUpgradePage::markBox(int fileBox, bool failed) {
    if (fileBox < 0 || fileBox >= FileBox::Count)
        return;
    QCheckBox *b = Box(fileBox);
    if (failed) {
        QPalette p = b->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        p.setColor(QPalette::ButtonText, Qt::red);
        b->setPalette(p);
    } else {
        b->setPalette(QPalette());
    }
}

void FWUpgradePage::resetBoxes() {
    FAllClick = FSingleClick = true;
    for (QLabel *label : Labels)
        label->setEnabled(false);
    for (QCheckBox *b : allBoxes()) {
        b->setEnabled(false);
        b->setChecked(false);
        b->setPalette(QPalette());
    }
    FAllClick = FSingleClick = false;
}

void FWUpgradePage::SyncAllBox(CardRow row) {
    const auto &boxes = row == InputRow ? cbInputMCU : cbOutputMCU;
    // "All" shows whether every card the file holds is checked: the boxes of
    // cards not in the file (disabled) cannot be checked and do not count.
    bool all = true;
    bool any = false;
    for (int n = 0; n < FileBox::CardSlots; ++n) {
        if (!boxes[size_t(n)]->isEnabled())
            continue;
        any = true;
        all = all && boxes[size_t(n)]->isChecked();
    }
    all = all && any;
    FSingleClick = true;
    boxes[8]->setChecked(all);
    FSingleClick = false;
}

void FWUpgradePage::ApplyAllBox(CardRow row) {
    const auto &boxes = row == InputRow ? cbInputMCU : cbOutputMCU;
    const bool checked = boxes[8]->isChecked();
    FAllClick = true;
    for (int n = 0; n < FileBox::CardSlots; ++n)
        if (boxes[size_t(n)]->isEnabled())
            boxes[size_t(n)]->setChecked(checked);
    FAllClick = false;
}

void FWUpgradePage::OpenFirmwareFile() {
    const QString start =
        ctx->LastFirmwareFolder.isEmpty() ? ctx->AppFolder : ctx->LastFirmwareFolder;
    const QString path = ctx->Prompts->OpenFileName(OpenCaption, OpenFilter, start);
    if (path.isEmpty())
        return;
    edtFWFile->setText(QDir::toNativeSeparators(path));
    edtFWFile->setCursorPosition(int(edtFWFile->text().size()));
    const QFileInfo info(path);
    ctx->LastFirmwareFolder = info.absolutePath();
    if (!info.isFile()) {
        log(QStringLiteral("Firmware file: ") + path + QStringLiteral(" does not exist"));
        return;
    }
    resetBoxes();
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes = file.readAll();
    } else {
        btnUpgrade->setEnabled(false);
        ctx->Prompts->Error(QStringLiteral("Cannot open ") + path + QStringLiteral(": ") +
                            file.errorString());
        return;
    }
    const FileUpgradeContents contents = FileUpgrade::ReadContents(bytes);
    for (int b = 0; b < FileBox::Count; ++b) {
        if (!contents.Present[size_t(b)])
            continue;
        LabelOfBox(b)->setEnabled(true);
        Box(b)->setEnabled(true);
        Box(b)->setChecked(true);
        if (b >= FileBox::Input1 && b < FileBox::Output1)
            cbInputMCU[8]->setEnabled(true);
        else if (b >= FileBox::Output1 && b < FileBox::FrontPanel)
            cbOutputMCU[8]->setEnabled(true);
    }
    for (const QString &line : contents.Unusable)
        log(line);
    btnUpgrade->setEnabled(contents.Usable());
    if (contents.Invalid)
        ctx->Prompts->Error(FileUpgrade::InvalidFileText);
    SyncAllBox(InputRow);
    SyncAllBox(OutputRow);
}

FileBoxSet FWUpgradePage::PickedBoxes() const {
    FileBoxSet picked{};
    for (int b = 0; b < FileBox::Count; ++b)
        picked[size_t(b)] = Box(b)->isChecked() && LabelOfBox(b)->isEnabled();
    return picked;
}

void FWUpgradePage::UpgradeFromFile() {
    if (FRunning)
        return;
    FOutcome = FUpgrade->UpgradeFromFile(edtFWFile->text(), PickedBoxes());
}

FWUpgradePage::PageState FWUpgradePage::saveState() const {
    PageState state;
    for (int i = 0; i < LabelCount; ++i)
        state.labelEnabled[size_t(i)] = Labels[size_t(i)]->isEnabled();
    const QList<QCheckBox *> boxes = allBoxes();
    for (int i = 0; i < boxes.size(); ++i) {
        state.boxEnabled[size_t(i)] = boxes[i]->isEnabled();
        state.boxChecked[size_t(i)] = boxes[i]->isChecked();
    }
    return state;
}

void FWUpgradePage::restoreState(const PageState &state) {
    // Exactly as saved: neither kind of box sets the other meanwhile.
    FAllClick = FSingleClick = true;
    for (int i = 0; i < LabelCount; ++i)
        Labels[size_t(i)]->setEnabled(state.labelEnabled[size_t(i)]);
    const QList<QCheckBox *> boxes = allBoxes();
    for (int i = 0; i < boxes.size(); ++i) {
        boxes[i]->setEnabled(state.boxEnabled[size_t(i)]);
        boxes[i]->setChecked(state.boxChecked[size_t(i)]);
    }
    FAllClick = FSingleClick = false;
}

void FWUpgradePage::setRunning(bool on) {
    if (on) {
        FRunning = true;
        FLastPercent = -1;
        mmoMessage->clear();
        btnUpgrade->setEnabled(false);
        btnOpenFW->setEnabled(false);
        mmoMessage->setCursorWidth(0);
        FSaved = saveState();
        FAllClick = FSingleClick = true;
        for (QLabel *label : Labels)
            label->setEnabled(false);
        for (QCheckBox *b : allBoxes()) {
            b->setEnabled(false);
            b->setPalette(QPalette());
        }
        FAllClick = FSingleClick = false;
        return;
    }
    btnUpgrade->setEnabled(true);
    btnOpenFW->setEnabled(true);
    mmoMessage->setCursorWidth(1);
    restoreState(FSaved);
    FRunning = false;
}

void FWUpgradePage::PartProgress(PartId part, int percent) {
    if (percent == FLastPercent)
        return;
    tsgFWProgress->SetCaption(QStringLiteral("Upgrading Part_") + part.text());
    tsgFWProgress->SetPosition(percent);
    FLastPercent = percent;
}

void FWUpgradePage::WriteUpgradeLog(const QString &text, bool repeating) {
    UpgradeLogMemo::Write(mmoMessage, text, repeating);
}
