#include "boardinfo/ui/ProductInfoPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "boardinfo/ProductInfoReader.h"
#include "boardinfo/ui/TCTVDataPI.h"
#include "widgets/TCaptionGauge.h"

#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

const QString Confirmation = QStringLiteral(
    "1. Please power up the unit first, don't keep it staying in Power Off mode.\r\n2. After "
    "powering up the unit, please wait 60 seconds before reading Product Information.\r\n3. Click "
    "[Yes] to continue, or click [No] to make unit ready.");
const QString SaveCancelled = QStringLiteral("Save cancelled");
constexpr int NotePanel = 3;

QPushButton *button(const QString &caption, const QString &name, const QString &description) {
    auto *b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    b->setAccessibleDescription(description);
    return b;
}

} // namespace

ProductInfoPage::ProductInfoPage(AppContext *context, QWidget *parent)
    : QWidget(parent), ctx(context), FReader(new ProductInfoReader(context, this)) {
    setObjectName(QStringLiteral("TabSheet1"));
    btnGetPI = button(QStringLiteral("&Read Information"), QStringLiteral("btnGetPI"),
                      QStringLiteral("Read the boards of the unit"));
    tsgPI = new TCaptionGauge;
    tsgPI->setObjectName(QStringLiteral("tsgPI"));
    tsgPI->setAccessibleName(QStringLiteral("Progress"));
    tsgPI->SetCaption(QStringLiteral("Progress"));
    tvPI = new TCTVDataPI;
    tvPI->setObjectName(QStringLiteral("tvPI"));
    tvPI->AttachTree(&FReader->Tree());
    tvPI->setAccessibleName(QStringLiteral("Boards of the unit"));
    mmoPI = new QPlainTextEdit;
    mmoPI->setObjectName(QStringLiteral("mmoPI"));
    mmoPI->setReadOnly(true);
    mmoPI->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmoPI->setAccessibleName(QStringLiteral("Product information"));
    btnDisplayAllPI = button(QStringLiteral("&Display All"), QStringLiteral("btnDisplayAllPI"),
                             QStringLiteral("Show the information of every board"));
    btnSaveAllPI = button(QStringLiteral("&Save As Text File"), QStringLiteral("btnSaveAllPI"),
                          QStringLiteral("Save the information as text"));
    btnClearPI = button(QStringLiteral("&Clear"), QStringLiteral("btnClearPI"),
                        QStringLiteral("Clear the information"));

    auto *top = new QHBoxLayout;
    top->addWidget(btnGetPI);
    top->addWidget(tsgPI, 1);
    auto *treeLabel = new QLabel(QStringLiteral("&Boards:"));
    treeLabel->setBuddy(tvPI);
    auto *memoLabel = new QLabel(QStringLiteral("&Information:"));
    memoLabel->setBuddy(mmoPI);
    auto *left = new QVBoxLayout;
    left->addWidget(treeLabel);
    left->addWidget(tvPI, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(memoLabel);
    right->addWidget(mmoPI, 1);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnDisplayAllPI);
    buttons->addWidget(btnSaveAllPI);
    buttons->addWidget(btnClearPI);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    connect(btnGetPI, &QPushButton::clicked, this, [this] { btnGetPIClick(); });
    connect(btnDisplayAllPI, &QPushButton::clicked, this, [this] { btnDisplayAllPIClick(); });
    connect(btnSaveAllPI, &QPushButton::clicked, this, [this] { btnSaveAllPIClick(); });
    connect(btnClearPI, &QPushButton::clicked, this, [this] { btnClearPIClick(); });
    connect(tvPI, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            ShowPINode(tvPI->NodeOf(item));
    });
    connect(tvPI, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { ShowPINode(tvPI->NodeOf(item)); });
    connect(FReader, &ProductInfoReader::memoLine, mmoPI, &QPlainTextEdit::appendPlainText);
    connect(FReader, &ProductInfoReader::gaugeChanged, this,
            [this](const QString &caption, int position) {
                if (!caption.isNull())
                    tsgPI->SetCaption(caption);
                tsgPI->SetPosition(position);
                GaugeTrail << position;
            });
    connect(FReader, &ProductInfoReader::treeChanged, this, [this] { showTree(); });
}

void ProductInfoPage::showTree() {
    tvPI->Rebuild();
}

QTreeWidgetItem *ProductInfoPage::ItemOf(const BoardInfoTreeNode *node) const {
    return tvPI->ItemOf(node);
}

void ProductInfoPage::setControlsEnabled(bool enabled) {
    for (QWidget *w : {static_cast<QWidget *>(btnGetPI), static_cast<QWidget *>(btnDisplayAllPI),
                       static_cast<QWidget *>(btnSaveAllPI), static_cast<QWidget *>(btnClearPI),
                       static_cast<QWidget *>(tvPI)})
        w->setEnabled(enabled);
}

void ProductInfoPage::btnGetPIClick() {
    if (FReader->ReadingPI || !ctx->Prompts->Question(Confirmation))
        return;
    mmoPI->clear();
    GaugeTrail.clear();
    setControlsEnabled(false);
    FReader->ReadProductInformation();
    setControlsEnabled(true);
}

void ProductInfoPage::ShowPINode(const BoardInfoTreeNode *node) {
    if (FReader->ReadingPI || !node)
        return;
    mmoPI->clear();
    for (const QString &line : FReader->NodeLines(node))
        mmoPI->appendPlainText(line);
}

void ProductInfoPage::btnDisplayAllPIClick() {
    if (FReader->Tree().IsEmpty() || FReader->ReadingPI)
        return;
    const QStringList lines = FReader->DisplayAllLines();
    mmoPI->clear();
    for (const QString &line : lines)
        mmoPI->appendPlainText(line);
    mmoPI->verticalScrollBar()->setValue(mmoPI->verticalScrollBar()->maximum());
}

void ProductInfoPage::btnSaveAllPIClick() {
    if (mmoPI->document()->isEmpty())
        return;
    ctx->ShowStatus(NotePanel, QString());
    const QString proposed =
        QStringLiteral("PI ") +
        QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).replace('/', '-') +
        QStringLiteral(".txt");
    QString path = ctx->Prompts->SaveFileName(QStringLiteral("Save As Text File"),
                                              QStringLiteral("Text File(*.txt)"), proposed);
    if (path.isEmpty()) {
        ctx->ShowStatus(NotePanel, SaveCancelled);
        return;
    }
    if (QFileInfo(path).suffix().toUpper() != QStringLiteral("TXT"))
        path += QStringLiteral(".txt");
    if (QFileInfo::exists(path) &&
        !ctx->Prompts->Question(QStringLiteral("File: [") + path +
                                QStringLiteral("] exists, overwrite it?"))) {
        ctx->ShowStatus(NotePanel, SaveCancelled);
        return;
    }
    QSaveFile file(path);
    QString text = mmoPI->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    if (!text.isEmpty())
        text += QStringLiteral("\r\n");
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toLocal8Bit()) < 0 || !file.commit()) {
        ctx->Prompts->Error(QStringLiteral("Cannot save ") + path + QStringLiteral(": ") +
                            file.errorString());
        return;
    }
    ctx->ShowStatus(NotePanel, QStringLiteral("Saved Okay"));
}

void ProductInfoPage::btnClearPIClick() {
    mmoPI->clear();
}
