#pragma once
// The five-panel status bar. Panel 1 is drawn by us: an alert blinks between
// red on white and the normal colours, and stays red until the next text.
// The blink runs from a timer: the text, then five toggles, each followed by
// a pause of LinkTiming::blinkPauseMs. A new text on panel 1 ends a running
// blink; a new alert starts its own.
//
// Accessibility tools see the bar as a status bar of five texts
// (StatusBarAccessible); each new text of the connection, message and note
// panels is announced as a label's change is (the clock is kept current
// but not announced).

#include <QString>
#include <QWidget>

class QTimer;

class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget *parent = nullptr);

    static constexpr int PanelCount = 5;
    static const int PanelWidths[PanelCount];

    // level 1..5; blink only at level 2.
    void ShowStatus(int level, const QString &text, bool blink);

    QString PanelText(int panel) const { return FTexts[panel]; }
    int BlinkState() const { return FBlinkState; }
    // True from an alert until its last pause is over.
    bool Blinking() const;
    int RepaintCount(int panel) const { return FRepaints[panel]; }
    // How often a panel's new text was told to accessibility tools.
    int AnnounceCount(int panel) const { return FAnnounced[panel]; }
    QRect PanelRect(int panel) const { return panelRect(panel); }
    // What a panel is for, as accessibility tools describe it.
    static QString PanelPurpose(int panel);

    // Read on every alert: the window points these at its own state.
    const bool *QuietStatus = nullptr;
    const bool *Closing = nullptr;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void repaintPanel(int panel);
    void announce(int panel);
    void toggleBlink();
    void blinkTick();
    void stopBlink();
    QRect panelRect(int panel) const;
    bool quiet() const { return QuietStatus && *QuietStatus; }

    QString FTexts[PanelCount];
    int FRepaints[PanelCount] = {};
    int FAnnounced[PanelCount] = {};
    int FBlinkState = 1;
    QTimer *FBlinkTimer = nullptr;
    int FTogglesLeft = 0;
};
