#include "shell/StatusBar.h"

#include "link/LinkTiming.h"
#include "shell/StatusBarAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

const int TStatusBar::PanelWidths[TStatusBar::PanelCount] = {185, 420, 280, 135, 50};

namespace {
// Blink state 0: alert (red with white text); 1: normal (button face, black).
QColor panelBackground(int state) {
    return state == 0 ? QColor(255, 0, 0) : QApplication::palette().color(QPalette::Button);
}
QColor panelForeground(int state) {
    return state == 0 ? QColor(Qt::white) : QColor(Qt::black);
}

constexpr int BlinkToggles = 5;
} // namespace

TStatusBar::TStatusBar(QWidget *parent) : QWidget(parent) {
    // Before anything asks for the bar's interface (setting the name does
    // when a screen reader listens): Qt keeps the first one it made.
    StatusBarAccessible::installFactory();
    setObjectName(QStringLiteral("sb"));
    setAccessibleName(QStringLiteral("Status bar"));
    setFixedHeight(fontMetrics().height() + 8);
    FBlinkTimer = new QTimer(this);
    connect(FBlinkTimer, &QTimer::timeout, this, &TStatusBar::blinkTick);
}

bool TStatusBar::Blinking() const {
    return FBlinkTimer->isActive();
}

QSize TStatusBar::sizeHint() const {
    int width = 0;
    for (int w : PanelWidths)
        width += w;
    return QSize(width, fontMetrics().height() + 8);
}

QRect TStatusBar::panelRect(int panel) const {
    int x = 0;
    for (int i = 0; i < panel; ++i)
        x += PanelWidths[i];
    const int w =
        panel == PanelCount - 1 ? std::max(PanelWidths[panel], width() - x) : PanelWidths[panel];
    return QRect(x, 0, w, height());
}

QString TStatusBar::PanelPurpose(int panel) {
    static const char *const purposes[PanelCount] = {"Connection", "Message", "Note", "Clock",
                                                     "Other"};
    return panel >= 0 && panel < PanelCount ? QString::fromLatin1(purposes[panel]) : QString();
}

// A new text is told as a label tells it: the panel's name changed. An
// empty text (a panel cleared) and the clock are not announced.
void TStatusBar::announce(int panel) {
    if (FTexts[panel].isEmpty() || panel == 3 || panel == 4)
        return;
    ++FAnnounced[panel];
    if (!QAccessible::isActive())
        return;
    if (QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(this)) {
        if (QAccessibleInterface *text = bar->child(panel)) {
            QAccessibleEvent event(text, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void TStatusBar::repaintPanel(int panel) {
    ++FRepaints[panel];
    repaint(panelRect(panel));
}

void TStatusBar::ShowStatus(int level, const QString &text, bool blink) {
    if (level < 1 || level > PanelCount)
        return;
    if (level == 2) {
        stopBlink();
        FBlinkState = 1;
        if (!blink) {
            FTexts[1] = text;
            repaintPanel(1);
            announce(1);
            return;
        }
        if (Closing && *Closing)
            return;
        const int pauseMs = LinkTiming::current().blinkPauseMs;
        FTexts[1] = text;
        repaintPanel(1);
        announce(1);
        FTogglesLeft = BlinkToggles;
        if (quiet() || pauseMs <= 0) {
            while (FTogglesLeft > 0)
                toggleBlink();
            return;
        }
        FBlinkTimer->start(pauseMs);
        return;
    }
    const int panel = level - 1;
    if (FTexts[panel] != text) {
        FTexts[panel] = text;
        repaintPanel(panel);
        announce(panel);
    }
}

void TStatusBar::toggleBlink() {
    FBlinkState = 1 - FBlinkState;
    --FTogglesLeft;
    repaintPanel(1);
}

// One pause is over: the next toggle, or the end after the pause that
// follows the last one. Closing stops the blink where it is; quiet mode
// makes the remaining toggles at once.
void TStatusBar::blinkTick() {
    if ((Closing && *Closing) || FTogglesLeft <= 0) {
        stopBlink();
        return;
    }
    toggleBlink();
    if (quiet()) {
        while (FTogglesLeft > 0)
            toggleBlink();
        stopBlink();
    }
}

void TStatusBar::stopBlink() {
    FBlinkTimer->stop();
    FTogglesLeft = 0;
}

void TStatusBar::paintEvent(QPaintEvent *) {
    QPainter p(this);
    for (int i = 0; i < PanelCount; ++i) {
        const QRect r = panelRect(i).adjusted(1, 1, -1, -1);
        if (i == 1) {
            const int state = quiet() ? 1 : FBlinkState;
            p.fillRect(r, panelBackground(state));
            p.setPen(panelForeground(state));
            p.drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, FTexts[i]);
        } else {
            p.setPen(palette().color(QPalette::WindowText));
            const int align = i == 3 ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter);
            p.drawText(r.adjusted(2, 0, -2, 0), align, FTexts[i]);
        }
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
    }
}
