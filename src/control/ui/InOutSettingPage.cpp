#include "control/ui/InOutSettingPage.h"

#include "app/AppContext.h"
#include "control/SourceSettings.h"
#include "protocol/ControlReplies.h"
#include "protocol/ControlRequests.h"
#include "widgets/ControlLookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

using namespace SourceSettings;

namespace {
QComboBox *makeCombo(QWidget *parent, const QString &name, int tag, const QStringList &items,
                     int index, const QString &accessible) {
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(items);
    combo->setCurrentIndex(index);
    combo->setAccessibleName(accessible);
    ControlLookup::SetTag(combo, tag);
    return combo;
}

// Selects `index` when it is an item of the combo; otherwise leaves it.
void selectIfInRange(QComboBox *combo, int index) {
    if (combo && InRange(index, combo->count()))
        combo->setCurrentIndex(index);
}
} // namespace

InOutSettingPage::InOutSettingPage(AppContext *context, ControlFlags *flags, QWidget *parent)
    : QWidget(parent), ctx(context), FFlags(flags ? flags : &FOwnFlags) {
    setObjectName(QStringLiteral("tsInOutSetting"));

    gbVideoSource = new QGroupBox(QStringLiteral(
        " Priority Video Input Source (When using both HDMI and HDBaseT inputs types the "
        "selection below will prioritize video source type when switching.)"));
    gbVideoSource->setObjectName(QStringLiteral("gbVideoSource"));
    gbAudioSourceInput = new QGroupBox(QStringLiteral("Audio Source for HDMI/HDBaseT Outputs"));
    gbAudioSourceInput->setObjectName(QStringLiteral("gbAudioSourceInput"));
    gbAudioSourceOutput =
        new QGroupBox(QStringLiteral("Audio Source for Analogue L/R + Coaxial Digital Outputs"));
    gbAudioSourceOutput->setObjectName(QStringLiteral("gbAudioSourceOutput"));
    gbAudioDelay = new QGroupBox(QStringLiteral("Output Audio Delay "));
    gbAudioDelay->setObjectName(QStringLiteral("gbAudioDelay"));

    auto *video = new QGridLayout(gbVideoSource);
    auto *audioIn = new QGridLayout(gbAudioSourceInput);
    auto *audioOut = new QGridLayout(gbAudioSourceOutput);
    auto *delay = new QGridLayout(gbAudioDelay);
    for (int n = 1; n <= Ports; ++n) {
        const int row = (n - 1) % 4, col = ((n - 1) / 4) * 3;
        // Priority video source: combo and "Auto".
        auto *vLabel = new QLabel(QStringLiteral("Input %1").arg(n), gbVideoSource);
        QComboBox *v = makeCombo(gbVideoSource, QStringLiteral("cbVideoSourceInput%1").arg(n), n,
                                 VideoSourceItems(), VideoItemHdmi,
                                 QStringLiteral("Input %1 priority video source").arg(n));
        vLabel->setBuddy(v);
        auto *a = new QCheckBox(QStringLiteral("Auto"), gbVideoSource);
        a->setObjectName(QStringLiteral("cbVideoSourceAuto%1").arg(n));
        a->setAccessibleName(QStringLiteral("Input %1 automatic video source").arg(n));
        ControlLookup::SetTag(a, n);
        video->addWidget(vLabel, row, col);
        video->addWidget(v, row, col + 1);
        video->addWidget(a, row, col + 2);
        connect(v, &QComboBox::activated, this, [this, n] { cbVideoSourceInputChange(n); });
        connect(a, &QCheckBox::clicked, this, [this, n] { cbVideoSourceAutoClick(n); });

        // Input audio.
        auto *iLabel = new QLabel(QStringLiteral("Input %1").arg(n), gbAudioSourceInput);
        QComboBox *i =
            makeCombo(gbAudioSourceInput, QStringLiteral("cbAudioSourceInput%1").arg(n), n,
                      InputAudioItems(), 0, QStringLiteral("Input %1 audio source").arg(n));
        iLabel->setBuddy(i);
        audioIn->addWidget(iLabel, row, col / 3 * 2);
        audioIn->addWidget(i, row, col / 3 * 2 + 1);
        connect(i, &QComboBox::activated, this, [this, n] { cbAudioSourceInputChange(n); });

        // Output audio source and port.
        auto *oLabel = new QLabel(QStringLiteral("Output %1").arg(n), gbAudioSourceOutput);
        QComboBox *o =
            makeCombo(gbAudioSourceOutput, QStringLiteral("cbAudioSourceOutput%1").arg(n), n,
                      OutputAudioItems(), 1, QStringLiteral("Output %1 audio source").arg(n));
        o->setMinimumContentsLength(18);
        o->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        oLabel->setBuddy(o);
        QComboBox *p = makeCombo(gbAudioSourceOutput, QStringLiteral("cbAudioSourceIndex%1").arg(n),
                                 n, AudioPortItems(), n - 1,
                                 QStringLiteral("Output %1 audio source port").arg(n));
        audioOut->addWidget(oLabel, row, col);
        audioOut->addWidget(o, row, col + 1);
        audioOut->addWidget(p, row, col + 2);
        connect(o, &QComboBox::activated, this, [this, n] { cbAudioSourceOutputChange(n); });
        connect(p, &QComboBox::activated, this, [this, n] { cbAudioSourceIndexChange(n); });

        // Output audio delay.
        auto *dLabel = new QLabel(QStringLiteral("Output %1").arg(n), gbAudioDelay);
        QComboBox *d =
            makeCombo(gbAudioDelay, QStringLiteral("cbAudioDelayOutput%1").arg(n), n,
                      AudioDelayItems(), 0, QStringLiteral("Output %1 audio delay").arg(n));
        dLabel->setBuddy(d);
        delay->addWidget(dLabel, row, col / 3 * 2);
        delay->addWidget(d, row, col / 3 * 2 + 1);
        connect(d, &QComboBox::activated, this, [this, n] { cbAudioDelayOutputChange(n); });
    }

    auto *audioRow = new QHBoxLayout;
    audioRow->addWidget(gbAudioSourceInput);
    audioRow->addWidget(gbAudioDelay);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(gbVideoSource);
    layout->addLayout(audioRow);
    layout->addWidget(gbAudioSourceOutput);
    layout->addStretch(1);
}

QComboBox *InOutSettingPage::VideoSource(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbVideoSourceInput"), n);
}
QCheckBox *InOutSettingPage::VideoAuto(int n) const {
    return ControlLookup::ByName<QCheckBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbVideoSourceAuto"), n);
}
QComboBox *InOutSettingPage::InputAudio(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbAudioSourceInput"), n);
}
QComboBox *InOutSettingPage::OutputAudio(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbAudioSourceOutput"), n);
}
QComboBox *InOutSettingPage::AudioIndex(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbAudioSourceIndex"), n);
}
QComboBox *InOutSettingPage::AudioDelay(int n) const {
    return ControlLookup::ByName<QComboBox>(const_cast<InOutSettingPage *>(this),
                                            QStringLiteral("cbAudioDelayOutput"), n);
}

void InOutSettingPage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    tsInOutSettingShow();
}

// ---- Read-backs -----------------------------------------------------------

bool InOutSettingPage::ReadVideoSource(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Input Video Source..."),
                        ControlRequests::inputSourceQuery(n), reply) != RunResult::Done)
        return false;
    const ControlReplies::InputSource s = ControlReplies::inputSource(reply);
    VideoAuto(n)->setChecked(s.autoOn);
    selectIfInRange(VideoSource(n), VideoSourceItem(s.source));
    return true;
}

bool InOutSettingPage::ReadInputAudio(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Input Audio Source..."),
                        ControlRequests::inputAudioQuery(n), reply) != RunResult::Done)
        return false;
    selectIfInRange(InputAudio(n), ControlReplies::inputAudioItem(reply));
    return true;
}

bool InOutSettingPage::ReadOutputAudio(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Output Audio Source..."),
                        ControlRequests::outputAudioQuery(n), reply) != RunResult::Done)
        return false;
    const SourceSettings::OutputAudio a = DecodeOutputAudio(ControlReplies::outputAudioCode(reply));
    if (!a.valid)
        return true; // other codes change nothing
    OutputAudio(n)->setCurrentIndex(a.item);
    if (a.portItem >= 0)
        AudioIndex(n)->setCurrentIndex(a.portItem);
    AudioIndex(n)->setEnabled(a.portEnabled);
    return true;
}

bool InOutSettingPage::ReadAudioDelay(int n) {
    TReplyRecord reply;
    if (ctx->RunCommand(QStringLiteral("Refreshing Output Audio Delay..."),
                        ControlRequests::audioDelayQuery(n), reply) != RunResult::Done)
        return false;
    selectIfInRange(AudioDelay(n), ControlReplies::audioDelayItem(reply));
    return true;
}

void InOutSettingPage::tsInOutSettingShow() {
    if (!ctx->PowerOn)
        return;
    RefreshScope scope(*FFlags);
    for (auto read : {&InOutSettingPage::ReadVideoSource, &InOutSettingPage::ReadInputAudio,
                      &InOutSettingPage::ReadOutputAudio, &InOutSettingPage::ReadAudioDelay})
        for (int n = 1; n <= Ports; ++n)
            if (!(this->*read)(n))
                return; // a failed series ends the refresh
}

// ---- Changes ----------------------------------------------------------------

void InOutSettingPage::cbVideoSourceInputChange(int n) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(
        QStringLiteral("Setting..."),
        ControlRequests::videoSourceSet(n, VideoAuto(n)->isChecked(),
                                        VideoSource(n)->currentIndex() == VideoItemHdbt),
        reply);
    RefreshScope scope(*FFlags);
    ReadVideoSource(n);
}

void InOutSettingPage::cbVideoSourceAutoClick(int n) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(
        QStringLiteral("Setting..."),
        ControlRequests::videoSourceSet(n, VideoAuto(n)->isChecked(),
                                        VideoSource(n)->currentIndex() == VideoItemHdbt),
        reply);
}

void InOutSettingPage::cbAudioSourceInputChange(int n) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."),
                           ControlRequests::inputAudioSet(n, InputAudio(n)->currentIndex()), reply);
    RefreshScope scope(*FFlags);
    ReadInputAudio(n);
}

void InOutSettingPage::sendOutputAudio(int n) {
    const int code = OutputAudioCode(OutputAudio(n)->currentIndex(), AudioIndex(n)->currentIndex());
    if (code < 0)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."), ControlRequests::outputAudioSet(n, code),
                           reply);
    RefreshScope scope(*FFlags);
    ReadOutputAudio(n);
}

void InOutSettingPage::cbAudioSourceOutputChange(int n) {
    if (!FFlags->UserChange)
        return;
    AudioIndex(n)->setEnabled(PortComboEnabled(OutputAudio(n)->currentIndex()));
    sendOutputAudio(n);
}

void InOutSettingPage::cbAudioSourceIndexChange(int n) {
    if (!FFlags->UserChange)
        return;
    if (!PortComboEnabled(OutputAudio(n)->currentIndex()))
        return;
    sendOutputAudio(n);
}

void InOutSettingPage::cbAudioDelayOutputChange(int n) {
    if (!FFlags->UserChange)
        return;
    TReplyRecord reply;
    ctx->RunPoweredCommand(QStringLiteral("Setting..."),
                           ControlRequests::audioDelaySet(n, AudioDelay(n)->currentIndex()), reply);
    RefreshScope scope(*FFlags);
    ReadAudioDelay(n);
}
