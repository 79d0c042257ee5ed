#pragma once
// The "Video-Wall control" page (tsVW): layout, source and the
// border compensation of outputs 1 to 4. Command building and decoding:
// ControlRequests, ControlReplies, ViewSettings (also the border typing rule).

#include "control/ControlFlags.h"

#include <QWidget>

class AppContext;
class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QToolButton;
class TLedNumber;
class TSpinEdit;

class VideoWallPage : public QWidget {
    Q_OBJECT
public:
    VideoWallPage(AppContext *ctx, ControlFlags *flags, QWidget *parent = nullptr);

    void tsVWShow();
    // settings, then the borders; false when a read failed.
    bool ReadVideoWall();
    void sbVWLayoutClick(QAbstractButton *button);
    void sbVWSourceClick(QAbstractButton *button); // sources and previous/next
    void seVWBorderChange(TSpinEdit *edit);
    void btnResetBorderClick();
    void InitialiseDisplays(); // one digit

    QToolButton *LayoutButton(int number) const; // 1..3 (tag = number - 1)
    QToolButton *SourceButton(int source) const; // 1..4
    // Border spin edit of an output (1..4) and side (0 left, 1 right, 2 top, 3 bottom).
    TSpinEdit *Border(int output, int side) const;
    int RememberedLayout() const { return FLayout; }
    bool BorderResult() const { return FBorderResult; }

    QGroupBox *gbVWLayout;
    QGroupBox *gbVWSource;
    QToolButton *sbVWSourcePre;
    QToolButton *sbVWSourceNxt;
    TLedNumber *ledVWSource;
    QPushButton *btnResetBorder;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *makeBorderGroup(int output);
    int downLayoutTag() const;

    AppContext *ctx;
    ControlFlags FOwnFlags;
    ControlFlags *FFlags;
    QButtonGroup *FLayouts;
    QButtonGroup *FSources;
    int FLayout = 1;
    bool FBorderResult = true;
};
