#include "control/ui/EdidPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/EdidCheck.h"
#include "control/EdidDecoder.h"
#include "control/EdidTransfer.h"
#include "control/EdidView.h"
#include "control/ui/EdidCompareDialog.h"
#include "link/TSCOMControl.h"
#include "protocol/Commands.h"
#include "protocol/Frames.h"
#include "protocol/Replies.h"
#include "protocol/Requests.h"
#include "settings/SettingsData.h"
#include "widgets/ControlLookup.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int PortCount = 8;
constexpr int SourceHdbtIndex = 0; // items of cbOutputEDID1..8
constexpr int SourceHdmiIndex = 1;

// Positions in the port lists.
constexpr int AllInputsIndex = PortCount + 1;
constexpr int FirstUserIndexDownload = PortCount + 2;
constexpr int FirstUserIndexRead = PortCount + 1;

const QString SelectListItemFirst = QStringLiteral("Select list item first");
const QString EdidFileFilter = QStringLiteral("Binary file(*.bin)");
const QString PowerOffText = QStringLiteral(
    "System is Power Off, please turn it on first.\r\nOr click [Display Status] button on "
    "[General] page to refresh Power Status if unit is Power On.");
const QString ReadContentError = QStringLiteral(
    "EDID content error. Please try to read again.\r\nCheck below items before reading again:\r\n"
    "1. A sink device is connected and it's power on.\r\n"
    "2. Priority port (HDMI/HDBT) from which EDID is being read is set correctly in Web GUI or "
    "Terminal Control.\r\n"
    "3. User EDID 1/2 Memory should be set before they can be read.");

// A file larger than this cannot be an EDID the grid accepts (256 or 257
// bytes); only its first bytes are read so that the check fails the same way.
constexpr qint64 OpenReadLimit = EdidSize + 2;

// Lists of the decoded view longer than this start folded.
constexpr int FoldedListSize = 8;

QLabel *buddyLabel(const QString &text, QWidget *buddy) {
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    QString name = text;
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    buddy->setAccessibleName(name);
    return label;
}

QComboBox *dropDownList(const QString &name) {
    auto *combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(false);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setMinimumContentsLength(18);
    return combo;
}

QPushButton *button(const QString &caption, const QString &name) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}
} // namespace

EdidPage::EdidPage(AppContext *context, QWidget *parent) : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsEDIDCtrl"));

    gbEDIDData = buildDataGroup();
    gbEDIDContent = buildContentGroup();
    gbEDIDMode = buildModeGroup();
    gbOutputEDID = buildOutputGroup();

    auto *layout = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    top->addWidget(gbEDIDData, 1);
    layout->addLayout(top);
    layout->addWidget(gbEDIDContent, 1);
    auto *hidden = new QHBoxLayout;
    hidden->addWidget(gbEDIDMode);
    hidden->addWidget(gbOutputEDID);
    layout->addLayout(hidden);

    // Hidden as delivered; fully wired.
    gbEDIDMode->setVisible(false);
    gbOutputEDID->setVisible(false);

    fillModeList();
    RebuildPortLists(false);
    writeCells(EdidEmptyGrid());
    refreshInfo();

    connect(btnReadEDIDData, &QPushButton::clicked, this, [this] { btnReadEDIDDataClick(); });
    connect(btnSaveEDID, &QPushButton::clicked, this, [this] { btnSaveEDIDClick(); });
    connect(btnOpenEDID, &QPushButton::clicked, this, [this] { btnOpenEDIDClick(); });
    connect(btnDownloadEDID, &QPushButton::clicked, this, [this] { btnDownloadEDIDClick(); });
    connect(btnSetEDIDMode, &QPushButton::clicked, this, [this] { btnSetEDIDModeClick(); });
    connect(btnCopyEDID, &QPushButton::clicked, this, [this] { btnCopyEDIDClick(); });
    connect(btnClearEDIDContent, &QPushButton::clicked, this,
            [this] { btnClearEDIDContentClick(); });
    connect(btnCompareEDID, &QPushButton::clicked, this, [this] { btnCompareEDIDClick(); });
    connect(cbEDIDMode, &QComboBox::currentTextChanged, cbEDIDMode,
            [this](const QString &text) { cbEDIDMode->setToolTip(text); });
    for (QComboBox *combo : cbOutputEDID)
        connect(combo, &QComboBox::currentIndexChanged, this,
                [this, combo] { cbOutputEDIDChange(combo); });
    connect(ctx, &AppContext::portLabelsChanged, this, [this] { RebuildPortLists(true); });
}

QGroupBox *EdidPage::buildDataGroup() {
    auto *group = new QGroupBox(QStringLiteral("EDID data control"));
    group->setObjectName(QStringLiteral("gbEDIDData"));

    cbReadEDIDDataOutput = dropDownList(QStringLiteral("cbReadEDIDDataOutput"));
    btnReadEDIDData = button(QStringLiteral("&Read"), QStringLiteral("btnReadEDIDData"));
    cbDownloadEDIDInput = dropDownList(QStringLiteral("cbDownloadEDIDInput"));
    btnDownloadEDID = button(QStringLiteral("&Download"), QStringLiteral("btnDownloadEDID"));
    btnSaveEDID = button(QStringLiteral("&Save"), QStringLiteral("btnSaveEDID"));
    edtSaveEDID = new QLineEdit;
    edtSaveEDID->setObjectName(QStringLiteral("edtSaveEDID"));
    edtSaveEDID->setReadOnly(true);
    edtSaveEDID->setAccessibleName(QStringLiteral("Saved EDID file"));
    btnOpenEDID = button(QStringLiteral("&Open"), QStringLiteral("btnOpenEDID"));
    edtOpenEDID = new QLineEdit;
    edtOpenEDID->setObjectName(QStringLiteral("edtOpenEDID"));
    edtOpenEDID->setReadOnly(true);
    edtOpenEDID->setAccessibleName(QStringLiteral("Opened EDID file"));
    btnSaveEDID->setAccessibleDescription(QStringLiteral("Save the EDID content to a file"));
    btnOpenEDID->setAccessibleDescription(QStringLiteral("Open an EDID file"));

    auto *grid = new QGridLayout(group);
    grid->addWidget(buddyLabel(QStringLiteral("Read &from:"), cbReadEDIDDataOutput), 0, 0);
    grid->addWidget(cbReadEDIDDataOutput, 0, 1);
    grid->addWidget(btnReadEDIDData, 0, 2);
    grid->addWidget(btnSaveEDID, 0, 4);
    grid->addWidget(edtSaveEDID, 0, 5);
    grid->addWidget(buddyLabel(QStringLiteral("Download &to:"), cbDownloadEDIDInput), 1, 0);
    grid->addWidget(cbDownloadEDIDInput, 1, 1);
    grid->addWidget(btnDownloadEDID, 1, 2);
    grid->addWidget(btnOpenEDID, 1, 4);
    grid->addWidget(edtOpenEDID, 1, 5);
    grid->setColumnMinimumWidth(3, 24);
    grid->setColumnStretch(5, 1);
    return group;
}

QGroupBox *EdidPage::buildContentGroup() {
    auto *group = new QGroupBox(QStringLiteral("EDID content"));
    group->setObjectName(QStringLiteral("gbEDIDContent"));

    sgEDIDContent = new QTableWidget(EdidGridDim, EdidGridDim);
    sgEDIDContent->setObjectName(QStringLiteral("sgEDIDContent"));
    sgEDIDContent->setAccessibleName(QStringLiteral("EDID content"));
    sgEDIDContent->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgEDIDContent->setSelectionMode(QAbstractItemView::SingleSelection);
    sgEDIDContent->horizontalHeader()->hide();
    sgEDIDContent->verticalHeader()->hide();
    sgEDIDContent->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgEDIDContent->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    sgEDIDContent->setFont(mono);
    const QFontMetrics fm(mono);
    const int cellWidth = fm.horizontalAdvance(QStringLiteral("FFF")) + 6;
    const int cellHeight = fm.height() + 4;
    const QPalette pal = sgEDIDContent->palette();
    for (int r = 0; r < EdidGridDim; ++r) {
        sgEDIDContent->setRowHeight(r, cellHeight);
        for (int c = 0; c < EdidGridDim; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (r == 0 || c == 0) {
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(pal.button());
                item->setForeground(pal.buttonText());
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            sgEDIDContent->setItem(r, c, item);
        }
    }
    for (int c = 0; c < EdidGridDim; ++c)
        sgEDIDContent->setColumnWidth(c, cellWidth);
    const int frame = 2 * sgEDIDContent->frameWidth();
    sgEDIDContent->setFixedSize(EdidGridDim * cellWidth + frame, EdidGridDim * cellHeight + frame);

    btnClearEDIDContent = button(QStringLiteral("C&lear"), QStringLiteral("btnClearEDIDContent"));
    btnCompareEDID =
        button(QStringLiteral("Co&mpare with file\u2026"), QStringLiteral("btnCompareEDID"));
    btnCompareEDID->setAccessibleName(QStringLiteral("Compare with file"));
    btnCompareEDID->setAccessibleDescription(
        QStringLiteral("Show this EDID and an EDID file side by side with the differences marked"));

    mmoEDIDInfo = new QTreeWidget;
    mmoEDIDInfo->setObjectName(QStringLiteral("mmoEDIDInfo"));
    mmoEDIDInfo->setColumnCount(1);
    mmoEDIDInfo->setHeaderHidden(true);
    mmoEDIDInfo->setEditTriggers(QAbstractItemView::NoEditTriggers);
    mmoEDIDInfo->setUniformRowHeights(true);
    mmoEDIDInfo->setMinimumWidth(360);
    auto *infoLabel = buddyLabel(QStringLiteral("Decoded EDID:"), mmoEDIDInfo);

    auto *left = new QVBoxLayout;
    left->addWidget(sgEDIDContent);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnCompareEDID);
    buttons->addStretch(1);
    buttons->addWidget(btnClearEDIDContent);
    left->addLayout(buttons);
    left->addStretch(1);

    auto *right = new QVBoxLayout;
    right->addWidget(infoLabel);
    right->addWidget(mmoEDIDInfo, 1);

    auto *row = new QHBoxLayout(group);
    row->addLayout(left);
    row->addLayout(right, 1);
    return group;
}

QGroupBox *EdidPage::buildModeGroup() {
    auto *group = new QGroupBox(QStringLiteral("EDID mode control"));
    group->setObjectName(QStringLiteral("gbEDIDMode"));

    cbEDIDMode = dropDownList(QStringLiteral("cbEDIDMode"));
    cbEDIDMode->setMinimumContentsLength(30);
    cbSetEDIDModeInput = dropDownList(QStringLiteral("cbSetEDIDModeInput"));
    btnSetEDIDMode = button(QStringLiteral("Se&t"), QStringLiteral("btnSetEDIDMode"));
    cbCopyEDIDOutput = dropDownList(QStringLiteral("cbCopyEDIDOutput"));
    cbCopyEDIDInput = dropDownList(QStringLiteral("cbCopyEDIDInput"));
    btnCopyEDID = button(QStringLiteral("&Copy"), QStringLiteral("btnCopyEDID"));

    auto *grid = new QGridLayout(group);
    grid->addWidget(buddyLabel(QStringLiteral("EDID mode:"), cbEDIDMode), 0, 0);
    grid->addWidget(cbEDIDMode, 0, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Set mode to:"), cbSetEDIDModeInput), 0, 2);
    grid->addWidget(cbSetEDIDModeInput, 0, 3);
    grid->addWidget(btnSetEDIDMode, 0, 4);
    grid->addWidget(buddyLabel(QStringLiteral("Copy from:"), cbCopyEDIDOutput), 1, 0);
    grid->addWidget(cbCopyEDIDOutput, 1, 1);
    grid->addWidget(buddyLabel(QStringLiteral("Copy to:"), cbCopyEDIDInput), 1, 2);
    grid->addWidget(cbCopyEDIDInput, 1, 3);
    grid->addWidget(btnCopyEDID, 1, 4);
    return group;
}

QGroupBox *EdidPage::buildOutputGroup() {
    auto *group = new QGroupBox(QStringLiteral("Use Output HDMI/HDBT EDID"));
    group->setObjectName(QStringLiteral("gbOutputEDID"));
    auto *grid = new QGridLayout(group);
    for (int n = 1; n <= PortCount; ++n) {
        QComboBox *combo = dropDownList(QStringLiteral("cbOutputEDID%1").arg(n));
        combo->setMinimumContentsLength(5);
        ControlLookup::SetTag(combo, n);
        combo->addItems({QStringLiteral("HDBT"), QStringLiteral("HDMI")});
        combo->setCurrentIndex(SourceHdmiIndex);
        cbOutputEDID[n - 1] = combo;
        const int row = (n - 1) / 4;
        const int col = ((n - 1) % 4) * 2;
        grid->addWidget(buddyLabel(QStringLiteral("Out %1:").arg(n), combo), row, col);
        grid->addWidget(combo, row, col + 1);
    }
    return group;
}

void EdidPage::fillModeList() {
    if (cbEDIDMode->count() != 0)
        return;
    cbEDIDMode->addItem(QStringLiteral("Select EDID"));
    // Table positions 0..17 and 21..23; the three 4:4:4 4K@60Hz entries and
    // "Auto EDID" are not offered.
    for (int pos = 0; pos < EDIDItemCount; ++pos) {
        if ((pos >= 18 && pos <= 20) || pos == 24)
            continue;
        cbEDIDMode->addItem(EDIDItems[pos].Name);
    }
    cbEDIDMode->setCurrentIndex(0);
    cbEDIDMode->setToolTip(cbEDIDMode->currentText());
}

// ---- Port lists -------------------------------------------------------------

QString EdidPage::portEntry(bool input, int n) const {
    const QString base =
        (input ? QStringLiteral("In ") : QStringLiteral("Out ")) + QString::number(n);
    const QString label = ctx->PortLabel ? ctx->PortLabel(input ? n : 40 + n) : QString();
    if (label.isEmpty())
        return base;
    return base + QStringLiteral(" - [") + label + QStringLiteral("]");
}

void EdidPage::RebuildPortLists(bool keepIndexes) {
    QStringList inputs, outputs;
    for (int n = 1; n <= PortCount; ++n) {
        inputs << portEntry(true, n);
        outputs << portEntry(false, n);
    }
    const QString allInputs = QStringLiteral("All Inputs");
    const QStringList users = {QStringLiteral("User EDID 1 Memory"),
                               QStringLiteral("User EDID 2 Memory")};
    auto rebuild = [keepIndexes](QComboBox *combo, const QStringList &items) {
        const int old = combo->currentIndex();
        combo->clear();
        combo->addItems(items);
        combo->setCurrentIndex(keepIndexes && old >= 0 && old < items.size() ? old : 0);
    };
    const QString selectInput = QStringLiteral("Select Input");
    const QString selectOutput = QStringLiteral("Select Output");
    rebuild(cbSetEDIDModeInput, QStringList{selectInput} + inputs + QStringList{allInputs});
    rebuild(cbCopyEDIDInput, QStringList{selectInput} + inputs + QStringList{allInputs});
    rebuild(cbDownloadEDIDInput,
            QStringList{selectInput} + inputs + QStringList{allInputs} + users);
    rebuild(cbCopyEDIDOutput, QStringList{selectOutput} + outputs);
    rebuild(cbReadEDIDDataOutput, QStringList{selectOutput} + outputs + users);
}

uint16_t EdidPage::EdidAddress(const QComboBox *combo) const {
    // Entries are told apart by position, not by text: a port label may well
    // contain "user" and must not turn a port into a user memory.
    const int index = combo->currentIndex();
    if (index >= 1 && index <= PortCount)
        return Requests::EdidAddressOfPort(index);
    const int firstUser = combo == cbDownloadEDIDInput    ? FirstUserIndexDownload
                          : combo == cbReadEDIDDataOutput ? FirstUserIndexRead
                                                          : -1;
    if (firstUser > 0 && index >= firstUser)
        return Requests::EdidAddressUserMemory(index - firstUser + 1);
    if (index == AllInputsIndex)
        return Requests::EdidAddressAllInputs();
    return 0;
}

uint16_t EdidPage::ModeValue() const {
    const QString text = cbEDIDMode->currentText();
    if (text.toUpper().contains(QStringLiteral("USER"))) {
        int firstUser = -1;
        for (int i = 0; i < cbEDIDMode->count(); ++i) {
            if (cbEDIDMode->itemText(i).toUpper().contains(QStringLiteral("USER"))) {
                firstUser = i;
                break;
            }
        }
        return Requests::EdidModeUserMemory(cbEDIDMode->currentIndex() - firstUser + 1);
    }
    return Requests::EdidModeBuiltIn(EDIDItemIndex(text));
}

// ---- Settings ---------------------------------------------------------------

EdidChoices EdidPage::Choices() const {
    EdidChoices c;
    c.mode = cbEDIDMode->currentText();
    c.modeInput = cbSetEDIDModeInput->currentText();
    c.copyOutput = cbCopyEDIDOutput->currentText();
    c.copyInput = cbCopyEDIDInput->currentText();
    c.readOutput = cbReadEDIDDataOutput->currentText();
    c.downloadInput = cbDownloadEDIDInput->currentText();
    c.savePath = edtSaveEDID->text();
    c.openPath = edtOpenEDID->text();
    return c;
}

void EdidPage::RestoreChoices(const EdidChoices &choices) {
    auto select = [](QComboBox *combo, const QString &text) {
        const int index = combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(index >= 0 ? index : 0);
    };
    select(cbEDIDMode, choices.mode);
    select(cbSetEDIDModeInput, choices.modeInput);
    select(cbCopyEDIDOutput, choices.copyOutput);
    select(cbCopyEDIDInput, choices.copyInput);
    select(cbReadEDIDDataOutput, choices.readOutput);
    select(cbDownloadEDIDInput, choices.downloadInput);
    edtSaveEDID->clear();
    edtOpenEDID->clear();
}

// ---- Grid -------------------------------------------------------------------

QStringList EdidPage::cellTexts() const {
    QStringList cells;
    cells.reserve(EdidGridCells);
    for (int r = 0; r < EdidGridDim; ++r)
        for (int c = 0; c < EdidGridDim; ++c)
            cells << sgEDIDContent->item(r, c)->text();
    return cells;
}

void EdidPage::writeCells(const QStringList &cells) {
    for (int r = 0; r < EdidGridDim; ++r)
        for (int c = 0; c < EdidGridDim; ++c)
            sgEDIDContent->item(r, c)->setText(cells.value(EdidGridIndex(r, c)));
}

QString EdidPage::CellText(int row, int column) const {
    const QTableWidgetItem *item = sgEDIDContent->item(row, column);
    return item ? item->text() : QString();
}

bool EdidPage::DisplayEdid(const QByteArray *buffer) {
    QStringList cells = cellTexts();
    const bool ok = EdidBytesToGrid(buffer, cells);
    writeCells(cells);
    refreshInfo();
    return ok;
}

bool EdidPage::GridToBytes(QByteArray &bytes) const {
    return EdidGridToBytes(cellTexts(), bytes);
}

void EdidPage::refreshInfo() {
    mmoEDIDInfo->clear();
    FInfoText.clear();
    QByteArray bytes;
    if (!GridToBytes(bytes))
        return;
    const EdidInfo info = DecodeEdid(bytes);
    FInfoText = FormatEdidInfo(info);

    // One group a row with its facts below. The long lists (the timings and
    // the CTA data blocks) start folded so that the preferred mode, the
    // display and the HDMI limits show at a glance; the findings stay open at
    // the bottom. A line too long for the view shows whole as its tooltip.
    for (const EdidViewSection &section : EdidViewSections(info)) {
        auto *heading = new QTreeWidgetItem(mmoEDIDInfo, QStringList{section.title});
        for (const QString &line : section.lines) {
            auto *item = new QTreeWidgetItem(heading, QStringList{line});
            item->setToolTip(0, line);
        }
        const bool longList =
            section.key == QLatin1String("timings") || section.key == QLatin1String("cta");
        heading->setExpanded(!longList || section.lines.size() <= FoldedListSize);
    }
}

// ---- Handlers ---------------------------------------------------------------

void EdidPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsEDIDCtrlShow();
}

void EdidPage::tsEDIDCtrlShow() {
    if (ctx->PowerOn)
        RebuildPortLists(true);
}

bool EdidPage::sendPrelude(const QString &caption) {
    return EdidTransfer::SendPrelude(ctx, caption) == RunResult::Done;
}

void EdidPage::btnReadEDIDDataClick() {
    if (cbReadEDIDDataOutput->currentIndex() <= 0) {
        ctx->ShowStatus(3, SelectListItemFirst);
        return;
    }
    if (!ctx->PowerOn) {
        ctx->Prompts->Information(PowerOffText);
        return;
    }
    btnClearEDIDContentClick();
    TReplyRecord reply;
    QByteArray data;
    if (EdidTransfer::Read(ctx, EdidAddress(cbReadEDIDDataOutput), data, reply) ==
            RunResult::Done &&
        !DisplayEdid(&data))
        ctx->Prompts->Information(ReadContentError);
}

void EdidPage::btnOpenEDIDClick() {
    // The engine may be sending WriteStream right now (the page's event loop
    // keeps running during a download); it must not change under it.
    if (ctx->RefuseWhenBusy())
        return;
    const QString name =
        ctx->Prompts->OpenFileName(QStringLiteral("Open EDID file"), EdidFileFilter);
    if (name.isEmpty())
        return;
    edtOpenEDID->setText(name);
    edtOpenEDID->setCursorPosition(name.size());

    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        refuseOpenedFile();
        ctx->Prompts->Error(QStringLiteral("Can not open file: ") + name);
        return;
    }
    const qint64 fileSize = file.size();
    WriteStream = file.read(OpenReadLimit);
    file.close();
    const QString reason = EdidRefusalReason(WriteStream, fileSize);
    const QByteArray data = WriteStream;
    if (!reason.isEmpty() || !DisplayEdid(&data)) {
        refuseOpenedFile();
        ctx->Prompts->Error(QStringLiteral("EDID content error.\r\n") + reason);
    }
}

void EdidPage::refuseOpenedFile() {
    // Neither the box nor the grid may go on showing what was there before:
    // the name would stand over another file's bytes, and Download would send
    // bytes nobody chose.
    WriteStream.clear();
    edtOpenEDID->clear();
    QStringList cells = cellTexts();
    EdidClearGrid(cells);
    writeCells(cells);
    refreshInfo();
}

void EdidPage::btnSaveEDIDClick() {
    QByteArray bytes;
    if (!GridToBytes(bytes)) {
        ctx->ShowStatus(3, QStringLiteral("EDID Content empty"));
        return;
    }
    ctx->ShowStatus(3, QString());
    QString name = ctx->Prompts->SaveFileName(QStringLiteral("Save EDID file"), EdidFileFilter);
    if (name.isEmpty())
        return;
    const QString fileName = QFileInfo(name).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot >= 0 ? fileName.mid(dot).toUpper() : QString();
    if (ext != QStringLiteral(".BIN"))
        name += QStringLiteral(".bin");
    edtSaveEDID->setText(name);
    edtSaveEDID->setCursorPosition(name.size());
    if (QFileInfo::exists(name) &&
        !ctx->Prompts->Question(name + QStringLiteral(" exists, overwrite it?")))
        return;
    // Written to a scratch file and renamed, so that a failed write leaves an
    // existing file as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        ctx->Prompts->Error(QStringLiteral("Can not write file: ") + name);
        return;
    }
    ctx->ShowStatus(3, QStringLiteral("EDID saved"));
}

void EdidPage::btnDownloadEDIDClick() {
    if (cbDownloadEDIDInput->currentIndex() <= 0) {
        ctx->ShowStatus(3, SelectListItemFirst);
        return;
    }
    QByteArray bytes;
    const bool ok = GridToBytes(bytes);
    // WriteStream is never replaced under a transfer that is still running
    // (the prelude below refuses a busy engine anyway).
    if (!ctx->Busy())
        WriteStream = bytes;
    if (!ok) {
        ctx->ShowStatus(3, QStringLiteral("EDID Content empty, open EDID file first"));
        return;
    }
    ctx->ShowStatus(3, QString());
    EdidTransfer::Port port;
    port.address = EdidAddress(cbDownloadEDIDInput);
    port.allInputs = cbDownloadEDIDInput->currentIndex() == AllInputsIndex;
    TReplyRecord reply;
    // The bytes sent are the grid's, taken before the prelude pumped events.
    if (EdidTransfer::Download(ctx, port, bytes, reply) != RunResult::Refused)
        WriteStream = bytes;
}

void EdidPage::btnSetEDIDModeClick() {
    if (cbEDIDMode->currentIndex() <= 0 || cbSetEDIDModeInput->currentIndex() <= 0) {
        ctx->ShowStatus(3, SelectListItemFirst);
        return;
    }
    ctx->ShowStatus(3, QString());
    const QString caption = QStringLiteral("Setting...");
    if (!sendPrelude(caption))
        return;
    const int input = cbSetEDIDModeInput->currentIndex();
    const bool all = input == cbSetEDIDModeInput->count() - 1;
    TReplyRecord reply;
    const EdidTarget target = all ? EdidTarget::allInputs() : EdidTarget::one(input);
    if (cbEDIDMode->currentText().toUpper() == QStringLiteral("DEFAULT EDID")) {
        ctx->RunPoweredCommand(caption, Requests::edidDefault(target), reply);
        return;
    }
    ctx->RunPoweredCommand(caption, Requests::edidSetMode(ModeValue(), target), reply);
}

void EdidPage::btnCopyEDIDClick() {
    const int output = cbCopyEDIDOutput->currentIndex();
    const int input = cbCopyEDIDInput->currentIndex();
    if (output <= 0 || input <= 0) {
        ctx->ShowStatus(3, SelectListItemFirst);
        return;
    }
    const bool hdmi = cbOutputEDID[output - 1]->currentText() == QStringLiteral("HDMI");
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Getting Output%1 connection ...").arg(output),
                               Requests::outputConnection(output, !hdmi), reply) != RunResult::Done)
        return;
    if (!Replies::outputConnected(reply)) {
        ctx->Prompts->Information(
            QStringLiteral("EDID can not be read because output not connected.\r\nOutput%1 = [")
                .arg(output) +
            PortKindNames[hdmi ? 0 : 1] + QStringLiteral("]"));
        return;
    }
    ctx->ShowStatus(3, QString());
    const QString caption = QStringLiteral("Copying...");
    if (!sendPrelude(caption))
        return;
    reply.clear();
    const bool all = input == cbCopyEDIDInput->count() - 1;
    ctx->RunPoweredCommand(
        caption, Requests::edidCopy(output, all ? EdidTarget::allInputs() : EdidTarget::one(input)),
        reply);
}

void EdidPage::btnClearEDIDContentClick() {
    QStringList cells = cellTexts();
    EdidClearGrid(cells);
    writeCells(cells);
    refreshInfo();
}

bool EdidPage::readCompareFile(const QString &caption, QByteArray &bytes, QString &name) {
    const QString file = ctx->Prompts->OpenFileName(caption, EdidFileFilter);
    if (file.isEmpty())
        return false;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        ctx->Prompts->Error(QStringLiteral("Can not open file: ") + file);
        return false;
    }
    // Every block of the file, as many as an EDID can have.
    constexpr qint64 limit = qint64(EdidMaxBlocks) * EdidBlockSize;
    if (f.size() > limit) {
        ctx->Prompts->Error(file + QStringLiteral(" is too large for an EDID."));
        return false;
    }
    bytes = f.read(limit);
    if (!DecodeEdid(bytes).headerValid) {
        ctx->Prompts->Error(
            file + QStringLiteral(" is not an EDID: it does not start with the EDID header."));
        return false;
    }
    name = QFileInfo(file).fileName();
    return true;
}

void EdidPage::btnCompareEDIDClick() {
    QByteArray left, right;
    QString leftName, rightName;
    if (GridToBytes(left))
        leftName = QStringLiteral("EDID content");
    else if (!readCompareFile(QStringLiteral("Open the first EDID file to compare"), left,
                              leftName))
        return;
    if (!readCompareFile(QStringLiteral("Compare with EDID file"), right, rightName))
        return;
    EdidCompareDialog dialog(leftName, DecodeEdid(left), rightName, DecodeEdid(right), this);
    ctx->Prompts->ExecDialog(&dialog, dialog.objectName());
}

void EdidPage::setOutputSource(QComboBox *combo, const TReplyRecord &reply) {
    bool known = false;
    const bool hdbt = Replies::outputSourceIsHdbt(reply, &known);
    if (!known)
        return;
    const bool saved = FUserChange;
    FUserChange = false;
    combo->setCurrentIndex(hdbt ? SourceHdbtIndex : SourceHdmiIndex);
    FUserChange = saved;
}

void EdidPage::cbOutputEDIDChange(QComboBox *sender) {
    if (!FUserChange)
        return;
    const int output = ControlLookup::Tag(sender);
    if (output < 1 || output > PortCount)
        return;
    const bool hdbt = sender->currentText() == QStringLiteral("HDBT");
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."),
                           Requests::edidSetOutputSource(output, hdbt), reply);
    reply.clear();
    if (ctx->RunCommand(QStringLiteral("Refreshing output EDID setting..."),
                        Requests::edidGetOutputSource(output), reply) != RunResult::Done)
        return;
    setOutputSource(sender, reply);
}

void EdidPage::LoadSettings(const SettingsData &data) {
    EdidChoices choices;
    choices.mode = data.edidMode;
    choices.modeInput = data.setEdidModeInput;
    choices.copyOutput = data.copyEdidOutput;
    choices.copyInput = data.copyEdidInput;
    choices.readOutput = data.readEdidDataOutput;
    choices.downloadInput = data.downloadEdidInput;
    RestoreChoices(choices);
}

void EdidPage::SaveSettings(SettingsData &data) const {
    const EdidChoices choices = Choices();
    data.edidMode = choices.mode;
    data.setEdidModeInput = choices.modeInput;
    data.copyEdidOutput = choices.copyOutput;
    data.copyEdidInput = choices.copyInput;
    data.readEdidDataOutput = choices.readOutput;
    data.downloadEdidInput = choices.downloadInput;
    data.saveEdidFile = choices.savePath;
    data.openEdidFile = choices.openPath;
    data.displayTag = true;
}
