#include "boardinfo/ui/BoardInfoEditorPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "boardinfo/BoardInfo.h"
#include "boardinfo/BoardInfoEditRules.h"
#include "boardinfo/BoardInfoFile.h"
#include "boardinfo/SpecialCode.h"
#include "boardinfo/ui/TCTVData.h"
#include "firmware/PackageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int NotePanel = 3;
constexpr int BoardLevel = 0;
constexpr int GroupLevel = 1;
constexpr int ItemLevel = 2;
constexpr int MaxBoardCount = 32;
const QString Select = QStringLiteral("Select");
const QString ClearQuestion =
    QStringLiteral("Board Information in the list will be cleared, sure to continue?");
const QString BifFilter = QStringLiteral("Board Information File(*.bif)");
const QString OpenCancelled = QStringLiteral("Open cancelled");
const QString SaveCancelled = QStringLiteral("Save cancelled");
const QString HexKeys = QStringLiteral("0123456789ABCDEF;");

QToolButton *toolButton(const QString &caption, const QString &name, const QString &hint) {
    auto *b = new QToolButton;
    b->setText(caption);
    b->setObjectName(name);
    b->setToolTip(hint);
    b->setAccessibleName(hint);
    b->setFocusPolicy(Qt::StrongFocus);
    b->setMinimumWidth(32);
    return b;
}

QPushButton *button(const QString &caption, const QString &name, const QString &description) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    b->setAccessibleDescription(description);
    return b;
}

QCheckBox *checkBox(const QString &caption, const QString &name) {
    auto *c = new QCheckBox(caption);
    c->setObjectName(name);
    c->setAccessibleName(caption);
    return c;
}

QLineEdit *lineEdit(const QString &name, const QString &accessibleName, int maxLength = 0) {
    auto *e = new QLineEdit;
    e->setObjectName(name);
    e->setAccessibleName(accessibleName);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    return e;
}

QComboBox *combo(const QString &name, const QString &accessibleName, const QStringList &items) {
    auto *c = new QComboBox;
    c->setObjectName(name);
    c->setAccessibleName(accessibleName);
    c->addItem(Select);
    c->addItems(items);
    return c;
}

QStringList numbers(int from, int to) {
    QStringList list;
    for (int i = from; i <= to; ++i)
        list << QString::number(i);
    return list;
}

QStringList letters() {
    QStringList list;
    for (char c = 'A'; c <= 'Z'; ++c)
        list << QString(QLatin1Char(c));
    return list;
}

QLabel *label(const QString &text, QWidget *buddy) {
    auto *l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
}

// Combo box positions and the values they store.
int pcbTypeIndex(uint8_t v) {
    return v > MaxBoardCount ? 0 : v + 1;
}
uint8_t pcbTypeValue(int index) {
    return index <= 0 ? PCBTypeNotSelected : uint8_t(index - 1);
}
int countIndex(uint8_t v) {
    return v > MaxBoardCount ? 0 : v;
}
int letterIndex(uint8_t v) {
    return v >= 'A' && v <= 'Z' ? v - 'A' + 1 : 0;
}
uint8_t letterValue(int index) {
    return index <= 0 ? 0 : uint8_t('A' + index - 1);
}

} // namespace

BoardInfoEditorPage::BoardInfoEditorPage(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsMGFW"));

    CheckTreeview1 = new TCTVData;
    CheckTreeview1->setObjectName(QStringLiteral("CheckTreeview1"));
    CheckTreeview1->setAccessibleName(QStringLiteral("Board information tree"));
    CheckTreeview1->SetPrompts(ctx->Prompts);
    CheckTreeview1->setContextMenuPolicy(Qt::CustomContextMenu);
    bbNew = toolButton(QStringLiteral("N"), QStringLiteral("bbNew"), QStringLiteral("New"));
    bbAdd = toolButton(QStringLiteral("+"), QStringLiteral("bbAdd"), QStringLiteral("Add"));
    bbAddChild =
        toolButton(QStringLiteral("+S"), QStringLiteral("bbAddChild"), QStringLiteral("Add Sub"));
    bbDelete =
        toolButton(QStringLiteral("-"), QStringLiteral("bbDelete"), QStringLiteral("Delete"));
    bbOpenBI = toolButton(QStringLiteral("O"), QStringLiteral("bbOpenBI"), QStringLiteral("Open"));
    bbSaveBI = toolButton(QStringLiteral("S"), QStringLiteral("bbSaveBI"), QStringLiteral("Save"));
    pmBI = new QMenu(this);
    pmBI->setObjectName(QStringLiteral("pmBI"));
    mnuOpenBI = pmBI->addAction(QStringLiteral("Open ..."));
    mnuOpenBI->setObjectName(QStringLiteral("mnuOpenBI"));
    mnuSaveBI = pmBI->addAction(QStringLiteral("Save ..."));
    mnuSaveBI->setObjectName(QStringLiteral("mnuSaveBI"));

    gbBoardInfo = new QGroupBox(QStringLiteral("Board Info"));
    gbBoardInfo->setObjectName(QStringLiteral("gbBoardInfo"));
    cbBI_IncludeBI =
        checkBox(QStringLiteral("Include Board Information"), QStringLiteral("cbBI_IncludeBI"));
    edtBI_Name = lineEdit(QStringLiteral("edtBI_Name"), QStringLiteral("Name"), BoardNameMaxChars);
    cbBI_PCBType =
        combo(QStringLiteral("cbBI_PCBType"), QStringLiteral("PCB Type"), numbers(0, 32));
    cbBI_MCUType =
        combo(QStringLiteral("cbBI_MCUType"), QStringLiteral("MCU Type"), numbers(1, 32));
    edtBI_Solution = lineEdit(QStringLiteral("edtBI_Solution"), QStringLiteral("Solution"), 2);
    cbBI_Quantity =
        combo(QStringLiteral("cbBI_Quantity"), QStringLiteral("Quantity"), numbers(1, 32));
    cbBI_PCBVersion =
        combo(QStringLiteral("cbBI_PCBVersion"), QStringLiteral("PCB Version"), letters());
    cbBI_OverwriteSC =
        checkBox(QStringLiteral("Overwrite Special Code"), QStringLiteral("cbBI_OverwriteSC"));
    edtBI_SC = lineEdit(QStringLiteral("edtBI_SC"), QStringLiteral("Special Code"));
    cbBI_PCBVerFrom = combo(QStringLiteral("cbBI_PCBVerFrom"),
                            QStringLiteral("Available from PCB Version"), letters());
    cbBI_PCBVerTo = combo(QStringLiteral("cbBI_PCBVerTo"),
                          QStringLiteral("Available to PCB Version"), letters());

    gbFirmware = new QGroupBox(QStringLiteral("Firmware"));
    gbFirmware->setObjectName(QStringLiteral("gbFirmware"));
    cbDefaultFW =
        checkBox(QStringLiteral("Set as Default Firmware"), QStringLiteral("cbDefaultFW"));
    edtBI_FWFileName = lineEdit(QStringLiteral("edtBI_FWFileName"), QStringLiteral("FW File Name"));
    bbOpenFM = toolButton(QStringLiteral("..."), QStringLiteral("bbOpenFM"),
                          QStringLiteral("Open firmware binary file"));
    leBI_FWVer1 = lineEdit(QStringLiteral("leBI_FWVer1"), QStringLiteral("Ver1"), 3);
    leBI_FWVer2 = lineEdit(QStringLiteral("leBI_FWVer2"), QStringLiteral("Ver2"), 3);
    btnSetBI = button(QStringLiteral("&Apply"), QStringLiteral("btnSetBI"),
                      QStringLiteral("Store the fields in the selected item"));

    btnMerge2 = button(QStringLiteral("&Merge"), QStringLiteral("btnMerge2"),
                       QStringLiteral("Build a firmware package from the checked items"));
    mmoMessage2 = new QPlainTextEdit;
    mmoMessage2->setObjectName(QStringLiteral("mmoMessage2"));
    mmoMessage2->setReadOnly(true);
    mmoMessage2->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoMessage2->setAccessibleName(QStringLiteral("Package builder messages"));
    btnClearMsg2 = button(QStringLiteral("&Clear"), QStringLiteral("btnClearMsg2"),
                          QStringLiteral("Clear the package builder messages"));

    // Layout: the tree and its buttons on the left, the fields on the right,
    // the builder's messages below.
    auto *treeButtons = new QHBoxLayout;
    for (QToolButton *b : {bbNew, bbAdd, bbAddChild, bbDelete, bbOpenBI, bbSaveBI})
        treeButtons->addWidget(b);
    treeButtons->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addWidget(label(QStringLiteral("&Boards, MCU groups and firmware:"), CheckTreeview1));
    left->addWidget(CheckTreeview1, 1);
    left->addLayout(treeButtons);

    auto *bi = new QGridLayout(gbBoardInfo);
    int row = 0;
    bi->addWidget(cbBI_IncludeBI, row++, 0, 1, 4);
    bi->addWidget(label(QStringLiteral("&Name"), edtBI_Name), row, 0);
    bi->addWidget(edtBI_Name, row++, 1, 1, 3);
    bi->addWidget(label(QStringLiteral("&PCB Type"), cbBI_PCBType), row, 0);
    bi->addWidget(cbBI_PCBType, row, 1);
    bi->addWidget(label(QStringLiteral("&Quantity"), cbBI_Quantity), row, 2);
    bi->addWidget(cbBI_Quantity, row++, 3);
    bi->addWidget(label(QStringLiteral("MC&U Type"), cbBI_MCUType), row, 0);
    bi->addWidget(cbBI_MCUType, row, 1);
    bi->addWidget(label(QStringLiteral("PCB &Version"), cbBI_PCBVersion), row, 2);
    bi->addWidget(cbBI_PCBVersion, row++, 3);
    bi->addWidget(label(QStringLiteral("S&olution"), edtBI_Solution), row, 0);
    bi->addWidget(edtBI_Solution, row, 1);
    bi->addWidget(new QLabel(QStringLiteral("(00 - FF)")), row++, 2, 1, 2);
    bi->addWidget(cbBI_OverwriteSC, row++, 0, 1, 4);
    bi->addWidget(label(QStringLiteral("Special Code(Delimiter:[;]"), edtBI_SC), row++, 0, 1, 4);
    bi->addWidget(edtBI_SC, row, 0, 1, 3);
    bi->addWidget(new QLabel(QStringLiteral("(0000 - FFFF each part)")), row++, 3);
    bi->addWidget(label(QStringLiteral("Available for PCB Version &range:"), cbBI_PCBVerFrom),
                  row++, 0, 1, 4);
    auto *range = new QHBoxLayout;
    range->addWidget(cbBI_PCBVerFrom);
    range->addWidget(new QLabel(QStringLiteral("to")));
    range->addWidget(cbBI_PCBVerTo);
    range->addStretch(1);
    bi->addLayout(range, row++, 0, 1, 4);
    bi->setColumnStretch(1, 1);
    bi->setColumnStretch(3, 1);

    auto *fw = new QGridLayout(gbFirmware);
    fw->addWidget(cbDefaultFW, 0, 0, 1, 4);
    fw->addWidget(label(QStringLiteral("FW &File Name"), edtBI_FWFileName), 1, 0);
    auto *file = new QHBoxLayout;
    file->addWidget(edtBI_FWFileName, 1);
    file->addWidget(bbOpenFM);
    fw->addLayout(file, 1, 1, 1, 3);
    fw->addWidget(label(QStringLiteral("Ver&1"), leBI_FWVer1), 2, 0);
    fw->addWidget(leBI_FWVer1, 2, 1);
    fw->addWidget(label(QStringLiteral("Ver&2"), leBI_FWVer2), 2, 2);
    fw->addWidget(leBI_FWVer2, 2, 3);

    auto *applyRow = new QHBoxLayout;
    applyRow->addStretch(1);
    applyRow->addWidget(btnSetBI);
    auto *right = new QVBoxLayout;
    right->addWidget(gbBoardInfo);
    right->addWidget(gbFirmware);
    right->addLayout(applyRow);
    right->addStretch(1);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);

    auto *mergeRow = new QHBoxLayout;
    mergeRow->addWidget(label(QStringLiteral("Package builder m&essages:"), mmoMessage2));
    mergeRow->addStretch(1);
    mergeRow->addWidget(btnMerge2);
    mergeRow->addWidget(btnClearMsg2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns, 3);
    layout->addLayout(mergeRow);
    layout->addWidget(mmoMessage2, 1);

    // As designed: both check boxes checked, Overwrite disabled while Include is checked.
    cbBI_IncludeBI->setChecked(true);
    cbBI_OverwriteSC->setChecked(true);
    resetFields(-1);
    cbBI_IncludeBI->setChecked(true);
    cbBI_OverwriteSC->setChecked(true);

    edtBI_Solution->installEventFilter(this);
    edtBI_SC->installEventFilter(this);

    connect(bbNew, &QToolButton::clicked, this, [this] { bbNewClick(); });
    connect(bbAdd, &QToolButton::clicked, this, [this] { bbAddClick(); });
    connect(bbAddChild, &QToolButton::clicked, this, [this] { bbAddChildClick(); });
    connect(bbDelete, &QToolButton::clicked, this, [this] { bbDeleteClick(); });
    connect(bbOpenBI, &QToolButton::clicked, this, [this] { mnuOpenBIClick(); });
    connect(bbSaveBI, &QToolButton::clicked, this, [this] { mnuSaveBIClick(); });
    connect(mnuOpenBI, &QAction::triggered, this, [this] { mnuOpenBIClick(); });
    connect(mnuSaveBI, &QAction::triggered, this, [this] { mnuSaveBIClick(); });
    connect(CheckTreeview1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &p) { pmBI->popup(CheckTreeview1->viewport()->mapToGlobal(p)); });
    connect(btnSetBI, &QPushButton::clicked, this, [this] { btnSetBIClick(); });
    connect(cbBI_IncludeBI, &QCheckBox::clicked, this, [this] { cbBI_IncludeBIClick(); });
    connect(bbOpenFM, &QToolButton::clicked, this, [this] { bbOpenFMClick(); });
    connect(btnMerge2, &QPushButton::clicked, this, [this] { btnMerge2Click(); });
    connect(btnClearMsg2, &QPushButton::clicked, mmoMessage2, &QPlainTextEdit::clear);
    connect(CheckTreeview1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { ShowNodeSettings(CheckTreeview1->NodeOf(item)); });
    connect(CheckTreeview1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { ShowNodeSettings(CheckTreeview1->NodeOf(item)); });
    connect(CheckTreeview1, &TCTVData::nodeCheckChanged, this,
            [this](BoardInfoTreeNode *node) { CheckTreeview1Click(node); });
}

bool BoardInfoEditorPage::treeHasNodes() const {
    return !CheckTreeview1->Tree().IsEmpty();
}

void BoardInfoEditorPage::log(const QString &line) {
    mmoMessage2->appendPlainText(line);
}

void BoardInfoEditorPage::resetFields(int level) {
    for (QCheckBox *c : {cbBI_IncludeBI, cbBI_OverwriteSC, cbDefaultFW})
        c->setChecked(false);
    for (QLineEdit *e :
         {edtBI_Name, edtBI_Solution, edtBI_SC, edtBI_FWFileName, leBI_FWVer1, leBI_FWVer2})
        e->clear();
    for (QComboBox *c : {cbBI_PCBType, cbBI_MCUType, cbBI_Quantity, cbBI_PCBVersion,
                         cbBI_PCBVerFrom, cbBI_PCBVerTo})
        c->setCurrentIndex(0);
    const bool item = level == ItemLevel;
    edtBI_Name->setEnabled(level >= BoardLevel);
    cbBI_PCBType->setEnabled(level == BoardLevel);
    cbBI_Quantity->setEnabled(level == BoardLevel);
    cbBI_MCUType->setEnabled(level == GroupLevel);
    for (QWidget *w : std::initializer_list<QWidget *>{
             cbBI_IncludeBI, edtBI_Solution, cbBI_PCBVersion, edtBI_SC, cbBI_PCBVerFrom,
             cbBI_PCBVerTo, cbDefaultFW, edtBI_FWFileName, bbOpenFM, leBI_FWVer1, leBI_FWVer2})
        w->setEnabled(item);
    cbBI_OverwriteSC->setEnabled(item && !cbBI_IncludeBI->isChecked());
    btnSetBI->setEnabled(level >= BoardLevel);
}

void BoardInfoEditorPage::ShowNodeSettings(BoardInfoTreeNode *node) {
    resetFields(node ? node->Level() : -1);
    if (!node)
        return;
    const BoardInfoNode &d = node->Data;
    edtBI_Name->setText(d.NameText());
    const BoardInfoTreeNode *board = node;
    while (board->Parent())
        board = board->Parent();
    switch (node->Level()) {
    case BoardLevel:
        cbBI_PCBType->setCurrentIndex(pcbTypeIndex(d.PCBType));
        cbBI_Quantity->setCurrentIndex(countIndex(d.Quantity));
        break;
    case GroupLevel:
        cbBI_MCUType->setCurrentIndex(countIndex(d.MCUType));
        cbBI_PCBType->setCurrentIndex(pcbTypeIndex(board->Data.PCBType));
        cbBI_Quantity->setCurrentIndex(countIndex(board->Data.Quantity));
        break;
    default:
        edtBI_Solution->setText(SolutionFieldText(d.Solution));
        cbBI_PCBVersion->setCurrentIndex(letterIndex(d.PCBVersion));
        cbBI_PCBVerFrom->setCurrentIndex(letterIndex(d.PCBVersionFrom));
        cbBI_PCBVerTo->setCurrentIndex(letterIndex(d.PCBVersionTo));
        cbBI_OverwriteSC->setChecked(d.OverwriteSpecialCode != 0);
        cbBI_IncludeBI->setChecked(d.IncludeBoardInfo != 0);
        cbBI_OverwriteSC->setEnabled(!cbBI_IncludeBI->isChecked());
        edtBI_SC->setText(SpecialCodeToText(d.SpecialCode));
        cbDefaultFW->setChecked(d.DefaultFirmware != 0);
        edtBI_FWFileName->setText(d.FirmwareFile);
        leBI_FWVer1->setText(Ver1FieldText(d.Ver1));
        leBI_FWVer2->setText(Ver2FieldText(d.Ver2));
        cbBI_MCUType->setCurrentIndex(countIndex(node->Parent()->Data.MCUType));
        cbBI_PCBType->setCurrentIndex(pcbTypeIndex(board->Data.PCBType));
        cbBI_Quantity->setCurrentIndex(countIndex(board->Data.Quantity));
        break;
    }
    node->Text = d.NameText();
    if (QTreeWidgetItem *item = CheckTreeview1->ItemOf(node))
        item->setText(0, node->Text);
    edtBI_FWFileName->setCursorPosition(int(edtBI_FWFileName->text().size()));
}

void BoardInfoEditorPage::cbBI_IncludeBIClick() {
    BoardInfoTreeNode *node = CheckTreeview1->SelectedNode();
    cbBI_OverwriteSC->setEnabled(node && node->Level() == ItemLevel &&
                                 !cbBI_IncludeBI->isChecked());
}

void BoardInfoEditorPage::CheckTreeview1Click(BoardInfoTreeNode *node) {
    CheckTreeview1->SelectNode(node);
    CascadeEditorCheck(node);
    CheckTreeview1->RefreshItems();
}

void BoardInfoEditorPage::bbNewClick() {
    if (treeHasNodes() && !ctx->Prompts->Question(ClearQuestion)) {
        ctx->ShowStatus(NotePanel, QStringLiteral("Cancelled"));
        return;
    }
    CheckTreeview1->ClearNodes();
    CheckTreeview1->AddNode();
}

void BoardInfoEditorPage::bbAddClick() {
    CheckTreeview1->AddNode();
}

void BoardInfoEditorPage::bbAddChildClick() {
    CheckTreeview1->AddChildNode();
}

void BoardInfoEditorPage::bbDeleteClick() {
    CheckTreeview1->DeleteNode();
    ShowNodeSettings(CheckTreeview1->SelectedNode());
}

void BoardInfoEditorPage::btnSetBIClick() {
    BoardInfoTreeNode *node = CheckTreeview1->SelectedNode();
    if (!node)
        return;
    BoardInfoNode &d = node->Data;
    PromptService *prompts = ctx->Prompts;

    d.IncludeBoardInfo = cbBI_IncludeBI->isChecked() ? 1 : 0;

    const QString name = edtBI_Name->text();
    bool nameTaken = false;
    if (node->Level() == BoardLevel && !name.isEmpty()) {
        BoardInfoTree &tree = CheckTreeview1->Tree();
        for (int i = 0; i < tree.TopCount() && !nameTaken; ++i)
            nameTaken =
                tree.Top(i) != node && tree.Top(i)->Text.compare(name, Qt::CaseInsensitive) == 0;
    }
    if (nameTaken) {
        prompts->Error(QStringLiteral("Board name [") + name +
                       QStringLiteral("] exists, please change."));
        edtBI_Name->setFocus();
    } else {
        d.Name.clear();
        if (name.isEmpty())
            prompts->Error(QStringLiteral("Please input Name."));
        else
            d.setNameText(name);
    }

    d.PCBType = pcbTypeValue(cbBI_PCBType->currentIndex());
    d.MCUType = uint8_t(cbBI_MCUType->currentIndex());
    d.Quantity = uint8_t(cbBI_Quantity->currentIndex());
    d.PCBVersion = letterValue(cbBI_PCBVersion->currentIndex());
    d.PCBVersionFrom = letterValue(cbBI_PCBVerFrom->currentIndex());
    d.PCBVersionTo = letterValue(cbBI_PCBVerTo->currentIndex());

    if (!ParseSolutionText(edtBI_Solution->text(), d.Solution))
        prompts->Error(QStringLiteral("Board information [Solution] value error."));

    d.OverwriteSpecialCode = cbBI_OverwriteSC->isChecked() ? 1 : 0;

    d.SpecialCode.clear();
    if (!edtBI_SC->text().isEmpty()) {
        QByteArray code;
        // Refused too when the code would not fit its one-byte entry length.
        if (SpecialCodeToBytes(edtBI_SC->text(), code) < 0)
            prompts->Error(QStringLiteral("Board information [Special Code] value error."));
        else
            d.SpecialCode = code;
    }

    d.DefaultFirmware = cbDefaultFW->isChecked() ? 1 : 0;
    d.FirmwareFile = edtBI_FWFileName->text();

    if (!ParseEditorVersion(leBI_FWVer1->text(), d.Ver1))
        prompts->Error(QStringLiteral("FW version [Ver1] value error."));
    if (!ParseEditorVersion(leBI_FWVer2->text(), d.Ver2))
        prompts->Error(QStringLiteral("FW version [Ver2] value error."));

    if (CountMainBoards(CheckTreeview1->Tree()) > 1)
        prompts->Information(OnlyOneMainBoardText);
    ShowNodeSettings(node);
}

bool BoardInfoEditorPage::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == edtBI_Solution || watched == edtBI_SC) && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text().toUpper();
        // Keys without a character (arrows, Tab, Delete ...) keep their job.
        if (key->key() == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint() ||
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        if (text.size() == 1 && HexKeys.contains(text)) {
            if (text != key->text()) {
                static_cast<QLineEdit *>(watched)->insert(text);
                return true;
            }
            return false;
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void BoardInfoEditorPage::bbOpenFMClick() {
    const QString path = ctx->Prompts->OpenFileName(QStringLiteral("Open FW File"),
                                                    QStringLiteral("FW binary file(*.bin)"),
                                                    edtBI_FWFileName->text());
    if (path.isEmpty())
        return;
    edtBI_FWFileName->setText(path);
    edtBI_FWFileName->setCursorPosition(int(path.size()));
}

void BoardInfoEditorPage::mnuOpenBIClick() {
    ctx->ShowStatus(NotePanel, QString());
    const QString path =
        ctx->Prompts->OpenFileName(QStringLiteral("Open Board Information File"), BifFilter);
    if (path.isEmpty()) {
        ctx->ShowStatus(NotePanel, OpenCancelled);
        return;
    }
    if (!QFileInfo(path).isFile()) {
        ctx->ShowStatus(NotePanel, QStringLiteral("File does not exist"));
        return;
    }
    if (treeHasNodes() && !ctx->Prompts->Question(ClearQuestion)) {
        ctx->ShowStatus(NotePanel, OpenCancelled);
        return;
    }
    CheckTreeview1->ClearNodes();
    const BoardInfoFileResult result = LoadBoardInfoFile(CheckTreeview1->Tree(), path);
    CheckTreeview1->Rebuild();
    CheckTreeview1->SelectNode(CheckTreeview1->Tree().Selected());
    ShowNodeSettings(CheckTreeview1->SelectedNode());
    if (result == BoardInfoFileResult::ReadError) {
        ctx->ShowStatus(NotePanel, QStringLiteral("Open failed"));
        ctx->Prompts->Error(QStringLiteral("Cannot read ") + path);
        return;
    }
    if (result == BoardInfoFileResult::Malformed)
        ctx->Prompts->Error(QStringLiteral("Board information file ") + path +
                            QStringLiteral(" is damaged; the items before the damage were "
                                           "loaded."));
    ctx->ShowStatus(NotePanel, QStringLiteral("Open Okay"));
}

void BoardInfoEditorPage::mnuSaveBIClick() {
    if (!treeHasNodes())
        return;
    ctx->ShowStatus(NotePanel, QString());
    QString path =
        ctx->Prompts->SaveFileName(QStringLiteral("Save Board Information File"), BifFilter);
    if (path.isEmpty()) {
        ctx->ShowStatus(NotePanel, SaveCancelled);
        return;
    }
    if (QFileInfo(path).suffix().toUpper() != QStringLiteral("BIF"))
        path += QStringLiteral(".bif");
    if (QFileInfo::exists(path) &&
        !ctx->Prompts->Question(QStringLiteral("Board Information File: [") + path +
                                QStringLiteral("] exists, overwrite it?"))) {
        ctx->ShowStatus(NotePanel, SaveCancelled);
        return;
    }
    if (SaveBoardInfoFile(CheckTreeview1->Tree(), path) != BoardInfoFileResult::Ok) {
        ctx->Prompts->Error(QStringLiteral("Cannot save ") + path);
        return;
    }
    ctx->ShowStatus(NotePanel, QStringLiteral("Saved Okay"));
}

void BoardInfoEditorPage::btnMerge2Click() {
    BoardInfoTree &tree = CheckTreeview1->Tree();
    const PackageBuild build = BuildPackage(tree, PackageDateStamp(QDate::currentDate()));
    // Writing the items copies board and group fields into them.
    CheckTreeview1->RefreshItems();
    const auto showFailure = [this](const PackageTreeCheck &check) {
        if (check.Node) {
            CheckTreeview1->SelectNode(check.Node);
            ShowNodeSettings(check.Node);
        }
        if (check.FocusFileName)
            edtBI_FWFileName->setFocus();
    };
    if (!build.Check.Ok) {
        showFailure(build.Check);
        if (!build.Check.Message.isEmpty())
            ctx->Prompts->Information(build.Check.Message);
        return;
    }
    for (const QString &line : build.Log)
        log(line);
    if (!build.Built()) {
        showFailure(build.Check);
        ctx->Prompts->Information(build.Message);
        return;
    }
    const QString path = PackagePath(ctx->AppFolder, build.FileName);
    if (QFileInfo::exists(path) &&
        !ctx->Prompts->Question(QStringLiteral("File\r\n") + path +
                                QStringLiteral("\r\nexists, overwrite it?"))) {
        log(QStringLiteral("Firmware saving cancelled"));
        return;
    }
    QString error;
    if (!SavePackageFile(path, build.Bytes, &error)) {
        log(QStringLiteral("Firmware saving failed: ") + error);
        ctx->Prompts->Error(QStringLiteral("Cannot save ") + path + QStringLiteral(": ") + error);
        return;
    }
    FLastPackagePath = path;
    log(QStringLiteral("Firmware saved to:"));
    log(path);
}
