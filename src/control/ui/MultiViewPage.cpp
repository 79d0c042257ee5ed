#include "control/ui/MultiViewPage.h"

#include "app/AppContext.h"
#include "control/ViewSettings.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "widgets/ControlLookup.h"
#include "widgets/TLedNumber.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

using namespace ViewSettings;

namespace {
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

MultiViewPage::MultiViewPage(AppContext *context, QWidget *parent) : QWidget(parent), ctx(context) {
    setObjectName(QStringLiteral("tsMV"));
    setStyleSheet(QStringLiteral("QToolButton:checked { background-color: #1f5fbf; color: white; "
                                 "font-weight: bold; border: 1px solid #123a75; "
                                 "border-radius: 3px; }"));

    gbMVLayout = new QGroupBox(QStringLiteral("Multi-View Layout Selection"));
    gbMVLayout->setObjectName(QStringLiteral("gbMVLayout"));
    FLayouts = new QButtonGroup(this);
    auto *layoutRow = new QHBoxLayout(gbMVLayout);
    for (int n = 1; n <= MvLayouts; ++n) {
        QToolButton *b = makeButton(gbMVLayout, QStringLiteral("sbMVLayout%1").arg(n),
                                    QStringLiteral("Layout %1").arg(n), n - 1, true,
                                    QStringLiteral("Multi-view layout %1").arg(n));
        FLayouts->addButton(b, n);
        layoutRow->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, b] { sbMVLayoutClick(b); });
    }
    layoutRow->addStretch(1);
    LayoutButton(1)->setChecked(true);

    gbMVMainPicture = new QGroupBox(QStringLiteral("Main Picture From Source"));
    gbMVMainPicture->setObjectName(QStringLiteral("gbMVMainPicture"));
    FMains = new QButtonGroup(this);
    auto *mainRow = new QHBoxLayout(gbMVMainPicture);
    sbMVMainPictureSourcePre =
        makeButton(gbMVMainPicture, QStringLiteral("sbMVMainPictureSourcePre"), QString(), 50,
                   false, QStringLiteral("Main picture: previous source"));
    sbMVMainPictureSourcePre->setArrowType(Qt::LeftArrow);
    mainRow->addWidget(sbMVMainPictureSourcePre);
    for (int s = 1; s <= Sources; ++s) {
        QToolButton *b = makeButton(
            gbMVMainPicture, QStringLiteral("sbMVMainPictureSource%1").arg(s), QString::number(s),
            s, true, QStringLiteral("Main picture from source %1").arg(s));
        FMains->addButton(b, s);
        mainRow->addWidget(b);
    }
    sbMVMainPictureSourceNxt =
        makeButton(gbMVMainPicture, QStringLiteral("sbMVMainPictureSourceNxt"), QString(), 51,
                   false, QStringLiteral("Main picture: next source"));
    sbMVMainPictureSourceNxt->setArrowType(Qt::RightArrow);
    mainRow->addWidget(sbMVMainPictureSourceNxt);
    ledMVMainPicture = new TLedNumber(gbMVMainPicture);
    ledMVMainPicture->setObjectName(QStringLiteral("ledMVMainPicture"));
    ledMVMainPicture->setAccessibleName(QStringLiteral("Main picture source"));
    ledMVMainPicture->setFixedSize(34, 30);
    ControlLookup::SetTag(ledMVMainPicture, 50);
    mainRow->addSpacing(6);
    mainRow->addWidget(ledMVMainPicture);
    mainRow->addStretch(1);
    ledMVMainPicture->setText(QStringLiteral("1"));
    MainButton(1)->setChecked(true);

    gbMVAudio = new QGroupBox(QStringLiteral("Audio From Source"));
    gbMVAudio->setObjectName(QStringLiteral("gbMVAudio"));
    FAudios = new QButtonGroup(this);
    auto *audioRow = new QHBoxLayout(gbMVAudio);
    sbMVAudioSourcePre = makeButton(gbMVAudio, QStringLiteral("sbMVAudioSourcePre"), QString(), 60,
                                    false, QStringLiteral("Audio: previous source"));
    sbMVAudioSourcePre->setArrowType(Qt::LeftArrow);
    audioRow->addWidget(sbMVAudioSourcePre);
    for (int s = 0; s <= Sources; ++s) {
        QToolButton *b = makeButton(gbMVAudio, QStringLiteral("sbMVAudioSource%1").arg(s),
                                    s == 0 ? QStringLiteral("A") : QString::number(s), s, true,
                                    s == 0 ? QStringLiteral("Audio follows the main picture")
                                           : QStringLiteral("Audio from source %1").arg(s));
        FAudios->addButton(b, s);
        audioRow->addWidget(b);
    }
    sbMVAudioSourceNxt = makeButton(gbMVAudio, QStringLiteral("sbMVAudioSourceNxt"), QString(), 61,
                                    false, QStringLiteral("Audio: next source"));
    sbMVAudioSourceNxt->setArrowType(Qt::RightArrow);
    audioRow->addWidget(sbMVAudioSourceNxt);
    ledMVAudioSource = new TLedNumber(gbMVAudio);
    ledMVAudioSource->setObjectName(QStringLiteral("ledMVAudioSource"));
    ledMVAudioSource->setAccessibleName(QStringLiteral("Audio source"));
    ledMVAudioSource->setFixedSize(34, 30);
    ControlLookup::SetTag(ledMVAudioSource, 51);
    audioRow->addSpacing(6);
    audioRow->addWidget(ledMVAudioSource);
    audioRow->addStretch(1);
    ledMVAudioSource->setText(AudioText(0));
    AudioButton(0)->setChecked(true);

    for (QAbstractButton *b : FMains->buttons())
        connect(b, &QAbstractButton::clicked, this, [this, b] { sbMVMainPictureSourceClick(b); });
    for (QToolButton *b : {sbMVMainPictureSourcePre, sbMVMainPictureSourceNxt})
        connect(b, &QToolButton::clicked, this, [this, b] { sbMVMainPictureSourceClick(b); });
    for (QAbstractButton *b : FAudios->buttons())
        connect(b, &QAbstractButton::clicked, this, [this, b] { sbMVAudioSourceClick(b); });
    for (QToolButton *b : {sbMVAudioSourcePre, sbMVAudioSourceNxt})
        connect(b, &QToolButton::clicked, this, [this, b] { sbMVAudioSourceClick(b); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbMVLayout);
    layout->addWidget(gbMVMainPicture);
    layout->addWidget(gbMVAudio);
    layout->addStretch(1);
}

QToolButton *MultiViewPage::LayoutButton(int number) const {
    return qobject_cast<QToolButton *>(FLayouts->button(number));
}
QToolButton *MultiViewPage::MainButton(int source) const {
    return qobject_cast<QToolButton *>(FMains->button(source));
}
QToolButton *MultiViewPage::AudioButton(int source) const {
    return qobject_cast<QToolButton *>(FAudios->button(source));
}

void MultiViewPage::InitialiseDisplays() {
    ledMVMainPicture->setDigitCount(1);
    ledMVAudioSource->setDigitCount(1);
}

void MultiViewPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsMVShow();
}

void MultiViewPage::tsMVShow() {
    if (!ctx->PowerOn)
        return;
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Get Multi-View Settings..."),
                        ControlRequests::multiViewQuery(), reply) != RunResult::Done)
        return;
    const ControlReplies::SourceAndLayout mv = ControlReplies::multiView(reply);
    if (ValidMvLayout(mv.layoutCode))
        LayoutButton(mv.layoutCode + 1)->setChecked(true);
    if (ValidSource(mv.source)) {
        MainButton(mv.source)->setChecked(true);
        ledMVMainPicture->setText(QString::number(mv.source));
    }
    TReplyRecord audio;
    if (ctx->RunCommand(QStringLiteral("Get Multi-View Settings..."),
                        ControlRequests::multiViewAudioQuery(), audio) != RunResult::Done)
        return;
    const int source = ControlReplies::multiViewAudio(audio);
    if (ValidMvAudio(source)) {
        AudioButton(source)->setChecked(true);
        ledMVAudioSource->setText(AudioText(source));
    }
}

int MultiViewPage::downLayoutTag() const {
    QAbstractButton *down = FLayouts->checkedButton();
    return down ? ControlLookup::Tag(down) : FLayout - 1;
}

void MultiViewPage::sbMVLayoutClick(QAbstractButton *button) {
    const int tag = ControlLookup::Tag(button);
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Set Multi-View Layout..."),
                               ControlRequests::setMultiViewLayout(tag), reply) == RunResult::Done)
        FLayout = tag + 1;
    else
        LayoutButton(FLayout)->setChecked(true);
}

void MultiViewPage::ensureMultiViewMode() {
    TReplyRecord mode;
    ctx->RunCommand(QStringLiteral("Get Work Mode..."), ControlRequests::workModeQuery(), mode);
    if (ControlReplies::workMode(mode) == 1)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Set Multi-View Layout..."),
                           ControlRequests::setMultiViewLayout(downLayoutTag()), reply);
}

void MultiViewPage::sbMVMainPictureSourceClick(QAbstractButton *button) {
    ensureMultiViewMode();
    const int tag = ControlLookup::Tag(button);
    const QString before = ledMVMainPicture->text();
    const int current = ledMVMainPicture->intValue();
    const int target = tag == 50   ? StepSource(current, true)
                       : tag == 51 ? StepSource(current, false)
                                   : tag;
    if (!ValidSource(target))
        return;
    MainButton(target)->setChecked(true);
    ledMVMainPicture->setText(QString::number(target));
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Set Multi-View Main Picture..."),
                               ControlRequests::multiViewMainPictureSet(target),
                               reply) == RunResult::Done)
        return;
    if (ValidSource(current))
        MainButton(current)->setChecked(true);
    ledMVMainPicture->setText(before);
}

void MultiViewPage::sbMVAudioSourceClick(QAbstractButton *button) {
    ensureMultiViewMode();
    const int tag = ControlLookup::Tag(button);
    const QString before = ledMVAudioSource->text();
    const bool wasFollow = before == AudioText(0);
    const int current = wasFollow ? ledMVMainPicture->intValue() : ledMVAudioSource->intValue();
    const int target = tag == 60   ? StepSource(current, true)
                       : tag == 61 ? StepSource(current, false)
                                   : tag;
    if (!ValidMvAudio(target))
        return;
    AudioButton(target)->setChecked(true);
    ledMVAudioSource->setText(AudioText(target));
    TReplyRecord reply;
    if (ctx->RunPoweredCommand(QStringLiteral("Set Multi-View Audio Source..."),
                               ControlRequests::multiViewAudioSet(target),
                               reply) == RunResult::Done)
        return;
    if (wasFollow)
        AudioButton(0)->setChecked(true);
    else if (ValidSource(current))
        AudioButton(current)->setChecked(true);
    ledMVAudioSource->setText(before);
}
