#include "control/ui/VideoWallPage.h"

#include "app/AppContext.h"
#include "app/PromptService.h"
#include "control/ViewSettings.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "widgets/ControlLookup.h"
#include "widgets/TLedNumber.h"
#include "widgets/TSpinEdit.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

using namespace ViewSettings;

namespace {
const char *SideNames[] = {"Left", "Right", "Top", "Bottom"};
constexpr const char *SpinProperty = "borderSpin";

QToolButton *makeButton(QWidget *parent, const QString &name, const QString &text, int tag,
                        bool checkable, const QString &accessible) {
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setCheckable(checkable);
    b->setAccessibleName(accessible);
    b->setMinimumSize(checkable && text.size() > 2 ? QSize(70, 30) : QSize(30, 30));
    ControlLookup::SetTag(b, tag);
    return b;
}
} // namespace

VideoWallPage::VideoWallPage(AppContext *context, ControlFlags *flags, QWidget *parent)
    : QWidget(parent), ctx(context), FFlags(flags ? flags : &FOwnFlags) {
    setObjectName(QStringLiteral("tsVW"));
    setStyleSheet(QStringLiteral("QToolButton:checked { background-color: #1f5fbf; color: white; "
                                 "font-weight: bold; border: 1px solid #123a75; "
                                 "border-radius: 3px; }"));

    gbVWLayout = new QGroupBox(QStringLiteral("Video-Wall Layout Selection"));
    gbVWLayout->setObjectName(QStringLiteral("gbVWLayout"));
    FLayouts = new QButtonGroup(this);
    auto *layoutRow = new QHBoxLayout(gbVWLayout);
    for (int n = 1; n <= WallLayouts; ++n) {
        QToolButton *b = makeButton(gbVWLayout, QStringLiteral("sbVWLayout%1").arg(n),
                                    QStringLiteral("Layout %1").arg(n), n - 1, true,
                                    QStringLiteral("Video-wall layout %1").arg(n));
        FLayouts->addButton(b, n);
        layoutRow->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, b] { sbVWLayoutClick(b); });
    }
    layoutRow->addStretch(1);
    LayoutButton(1)->setChecked(true);

    gbVWSource = new QGroupBox(QStringLiteral("Source Selection"));
    gbVWSource->setObjectName(QStringLiteral("gbVWSource"));
    FSources = new QButtonGroup(this);
    auto *sourceRow = new QHBoxLayout(gbVWSource);
    sbVWSourcePre = makeButton(gbVWSource, QStringLiteral("sbVWSourcePre"), QString(), 70, false,
                               QStringLiteral("Video wall: previous source"));
    sbVWSourcePre->setArrowType(Qt::LeftArrow);
    sourceRow->addWidget(sbVWSourcePre);
    for (int s = 1; s <= Sources; ++s) {
        QToolButton *b =
            makeButton(gbVWSource, QStringLiteral("sbVWSource%1").arg(s), QString::number(s), s,
                       true, QStringLiteral("Video wall from source %1").arg(s));
        FSources->addButton(b, s);
        sourceRow->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, b] { sbVWSourceClick(b); });
    }
    sbVWSourceNxt = makeButton(gbVWSource, QStringLiteral("sbVWSourceNxt"), QString(), 71, false,
                               QStringLiteral("Video wall: next source"));
    sbVWSourceNxt->setArrowType(Qt::RightArrow);
    sourceRow->addWidget(sbVWSourceNxt);
    for (QToolButton *b : {sbVWSourcePre, sbVWSourceNxt})
        connect(b, &QToolButton::clicked, this, [this, b] { sbVWSourceClick(b); });
    ledVWSource = new TLedNumber(gbVWSource);
    ledVWSource->setObjectName(QStringLiteral("ledVWSource"));
    ledVWSource->setAccessibleName(QStringLiteral("Video-wall source"));
    ledVWSource->setFixedSize(34, 30);
    ControlLookup::SetTag(ledVWSource, 60);
    sourceRow->addSpacing(6);
    sourceRow->addWidget(ledVWSource);
    sourceRow->addStretch(1);
    ledVWSource->setText(QStringLiteral("1"));
    SourceButton(1)->setChecked(true);

    auto *borders = new QGridLayout;
    for (int n = 1; n <= BorderOutputs; ++n)
        borders->addWidget(makeBorderGroup(n), (n - 1) / 2, (n - 1) % 2);
    btnResetBorder = new QPushButton(QStringLiteral("&Reset Border Settings"));
    btnResetBorder->setObjectName(QStringLiteral("btnResetBorder"));
    connect(btnResetBorder, &QPushButton::clicked, this, [this] { btnResetBorderClick(); });
    auto *resetRow = new QHBoxLayout;
    resetRow->addStretch(1);
    resetRow->addWidget(btnResetBorder);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbVWLayout);
    layout->addWidget(gbVWSource);
    layout->addLayout(borders);
    layout->addLayout(resetRow);
    layout->addStretch(1);
}

QGroupBox *VideoWallPage::makeBorderGroup(int n) {
    auto *group = new QGroupBox(QStringLiteral("Border Adjust of Output %1").arg(n));
    group->setObjectName(QStringLiteral("gbVWBorder%1").arg(n));
    auto *grid = new QGridLayout(group);
    for (int side = 0; side < 4; ++side) {
        auto *label = new QLabel(QString::fromLatin1(SideNames[side]), group);
        auto *spin = new TSpinEdit(group);
        spin->setObjectName(QStringLiteral("seVWBorder%1%2").arg(SideNames[side]).arg(n));
        spin->setRange(0, BorderMax);
        spin->lineEdit()->setAccessibleName(
            QStringLiteral("Output %1 border %2").arg(n).arg(SideNames[side]));
        spin->setProperty(SpinProperty, true);
        ControlLookup::SetTag(spin, BorderTag(n, side));
        spin->setFixedWidth(70);
        label->setBuddy(spin->lineEdit());
        spin->lineEdit()->installEventFilter(this);
        grid->addWidget(label, side / 2, (side % 2) * 2);
        grid->addWidget(spin, side / 2, (side % 2) * 2 + 1);
        connect(spin, &TSpinEdit::textChanged, this, [this, spin] { seVWBorderChange(spin); });
    }
    return group;
}

QToolButton *VideoWallPage::LayoutButton(int number) const {
    return qobject_cast<QToolButton *>(FLayouts->button(number));
}
QToolButton *VideoWallPage::SourceButton(int source) const {
    return qobject_cast<QToolButton *>(FSources->button(source));
}
TSpinEdit *VideoWallPage::Border(int output, int side) const {
    if (output < 1 || output > BorderOutputs || side < 0 || side > 3)
        return nullptr;
    return ControlLookup::ByTag<TSpinEdit>(const_cast<VideoWallPage *>(this),
                                           BorderTag(output, side));
}

void VideoWallPage::InitialiseDisplays() {
    ledVWSource->setDigitCount(1);
}

void VideoWallPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsVWShow();
}

void VideoWallPage::tsVWShow() {
    if (!ctx->PowerOn)
        return;
    ReadVideoWall();
}

bool VideoWallPage::ReadVideoWall() {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Get Video-Wall Settings..."),
                        ControlRequests::videoWallQuery(), reply) != RunResult::Done)
        return false;
    const ControlReplies::SourceAndLayout vw = ControlReplies::videoWall(reply);
    if (ValidWallLayout(vw.layoutCode))
        LayoutButton(vw.layoutCode + 1)->setChecked(true);
    if (ValidSource(vw.source)) {
        SourceButton(vw.source)->setChecked(true);
        ledVWSource->setText(QString::number(vw.source));
    }
    // Outputs without border controls (5 to 8 in the form) are skipped.
    for (int n = 1; n <= BorderOutputs; ++n) {
        TReplyRecord borders;
        if (ctx->RunCommand(QStringLiteral("Get Border Settings..."),
                            ControlRequests::bordersQuery(n), borders) != RunResult::Done)
            return false;
        const auto values = ControlReplies::borders(borders);
        RefreshScope scope(*FFlags);
        for (int side = 0; side < 4; ++side)
            if (values[side] <= BorderMax) // a value out of range leaves the field
                Border(n, side)->setText(QString::number(values[side]));
    }
    return true;
}

int VideoWallPage::downLayoutTag() const {
    QAbstractButton *down = FLayouts->checkedButton();
    return down ? ControlLookup::Tag(down) : FLayout - 1;
}

void VideoWallPage::sbVWLayoutClick(QAbstractButton *button) {
    const int tag = ControlLookup::Tag(button);
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Set Video-Wall Layout..."),
                               ControlRequests::setVideoWallLayout(tag),
                               reply) == RunResult::Done) {
        FLayout = tag + 1;
        ReadVideoWall();
    } else {
        LayoutButton(FLayout)->setChecked(true);
    }
}

void VideoWallPage::sbVWSourceClick(QAbstractButton *button) {
    TReplyRecord mode;
    ctx->RunCommand(QStringLiteral("Get Work Mode..."), ControlRequests::workModeQuery(), mode);
    if (ControlReplies::workMode(mode) != 2) {
        TReplyRecord set;
        ctx->RunPoweredCommand(QStringLiteral("Set Video-Wall Layout..."),
                               ControlRequests::setVideoWallLayout(downLayoutTag()), set);
    }
    const int tag = ControlLookup::Tag(button);
    const QString before = ledVWSource->text();
    const int current = ledVWSource->intValue();
    const int target = tag == 70   ? StepSource(current, true)
                       : tag == 71 ? StepSource(current, false)
                                   : tag;
    if (!ValidSource(target))
        return;
    SourceButton(target)->setChecked(true);
    ledVWSource->setText(QString::number(target));
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Set Video-Wall Source..."),
                               ControlRequests::videoWallSourceSet(target),
                               reply) == RunResult::Done)
        return;
    if (ValidSource(current))
        SourceButton(current)->setChecked(true);
    ledVWSource->setText(before);
}

bool VideoWallPage::eventFilter(QObject *watched, QEvent *event) {
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && edit->parentWidget() && edit->parentWidget()->property(SpinProperty).toBool()) {
        if (event->type() == QEvent::KeyPress) {
            auto *ke = static_cast<QKeyEvent *>(event);
            const QString text = ke->text();
            const bool character =
                ke->key() == Qt::Key_Backspace || (!text.isEmpty() && text[0].isPrint());
            if (character &&
                !AcceptBorderKey(edit->text(), edit->hasSelectedText(), ke->key(), text))
                return true; // refused
        } else if (event->type() == QEvent::KeyRelease) {
            QString fixed;
            int caret = 0;
            if (FixBorderText(edit->text(), &fixed, &caret)) {
                edit->setText(fixed);
                edit->setCursorPosition(caret);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void VideoWallPage::seVWBorderChange(TSpinEdit *edit) {
    if (!FFlags->UserChange)
        return;
    FBorderResult = true;
    const int value = BorderValue(edit->text());
    if (value < 0)
        return; // not a number from 0 to 100: not sent
    const int tag = ControlLookup::Tag(edit);
    TReplyRecord reply;
    FBorderResult = ctx->RunPoweredCommand(QStringLiteral("Set Video-Wall Border..."),
                                           ControlRequests::borderSet(BorderOutputOfTag(tag),
                                                                      BorderSideOfTag(tag), value),
                                           reply) == RunResult::Done;
}

void VideoWallPage::btnResetBorderClick() {
    if (!ctx->Prompts->Question(QStringLiteral("Sure to reset Video-Wall border settings?")))
        return;
    // Outputs without border controls (5 to 8 in the form) are skipped.
    for (int n = 1; n <= BorderOutputs; ++n)
        for (int side = 0; side < 4; ++side) {
            TSpinEdit *edit = Border(n, side);
            {
                const QSignalBlocker block(edit);
                edit->setText(QStringLiteral("0"));
            }
            seVWBorderChange(edit); // every field sends, whether or not its text changed
            if (!FBorderResult)
                return;
        }
}
