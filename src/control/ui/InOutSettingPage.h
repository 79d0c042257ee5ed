#pragma once
// The "Input/Output Settings" page (tsInOutSetting): priority video
// source per input, input audio, output audio source and port, output audio
// delay. Command building and decoding: ControlRequests, ControlReplies,
// SourceSettings.

#include "control/ControlFlags.h"

#include <QWidget>

class AppContext;
class QCheckBox;
class QComboBox;
class QGroupBox;

class InOutSettingPage : public QWidget {
    Q_OBJECT
public:
    // flags: the window's flags (the page keeps its own when null).
    InOutSettingPage(AppContext *ctx, ControlFlags *flags, QWidget *parent = nullptr);

    void tsInOutSettingShow();
    void cbVideoSourceInputChange(int input);
    void cbVideoSourceAutoClick(int input);
    void cbAudioSourceInputChange(int input);
    void cbAudioSourceOutputChange(int output);
    void cbAudioSourceIndexChange(int output);
    void cbAudioDelayOutputChange(int output);

    // Read-backs of one port; false when the read failed.
    bool ReadVideoSource(int input);
    bool ReadInputAudio(int input);
    bool ReadOutputAudio(int output);
    bool ReadAudioDelay(int output);

    QComboBox *VideoSource(int input) const;
    QCheckBox *VideoAuto(int input) const;
    QComboBox *InputAudio(int input) const;
    QComboBox *OutputAudio(int output) const;
    QComboBox *AudioIndex(int output) const;
    QComboBox *AudioDelay(int output) const;

    QGroupBox *gbVideoSource;
    QGroupBox *gbAudioSourceInput;
    QGroupBox *gbAudioSourceOutput;
    QGroupBox *gbAudioDelay;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sendOutputAudio(int output);

    AppContext *ctx;
    ControlFlags FOwnFlags;
    ControlFlags *FFlags;
};
