#pragma once
// The "Multi-Vew control" page (tsMV): layout, main picture and
// audio source of the multi-view mode. Command building and decoding:
// ControlRequests, ControlReplies, ViewSettings.

#include <QWidget>

class AppContext;
class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QToolButton;
class TLedNumber;

class MultiViewPage : public QWidget {
    Q_OBJECT
public:
    explicit MultiViewPage(AppContext *ctx, QWidget *parent = nullptr);

    void tsMVShow();
    void sbMVLayoutClick(QAbstractButton *button);
    void sbMVMainPictureSourceClick(QAbstractButton *button); // sources and previous/next
    void sbMVAudioSourceClick(QAbstractButton *button);       // sources, "A", previous/next
    void InitialiseDisplays();                                // one digit

    QToolButton *LayoutButton(int number) const;     // 1..4 (tag = number - 1)
    QToolButton *MainButton(int source) const;       // 1..4
    QToolButton *AudioButton(int source) const;      // 0 ("A") .. 4
    int RememberedLayout() const { return FLayout; } // button number 1..4

    QGroupBox *gbMVLayout;
    QGroupBox *gbMVMainPicture;
    QGroupBox *gbMVAudio;
    QToolButton *sbMVMainPictureSourcePre;
    QToolButton *sbMVMainPictureSourceNxt;
    QToolButton *sbMVAudioSourcePre;
    QToolButton *sbMVAudioSourceNxt;
    TLedNumber *ledMVMainPicture;
    TLedNumber *ledMVAudioSource;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ensureMultiViewMode();
    int downLayoutTag() const;

    AppContext *ctx;
    QButtonGroup *FLayouts;
    QButtonGroup *FMains;
    QButtonGroup *FAudios;
    int FLayout = 1;
};
