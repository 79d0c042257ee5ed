#include "shell/StatusBar.h"

#include "link/LinkTiming.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QThread>

const int TStatusBar::PanelWidths[TStatusBar::PanelCount] = {185, 420, 280, 135, 50};

namespace {
// Blink state 0: alert (red with white text); 1: normal (button face, black).
QColor panelBackground(int state) {
    return state == 0 ? QColor(255, 0, 0) : QApplication::palette().color(QPalette::Button);
}
QColor panelForeground(int state) {
    return state == 0 ? QColor(Qt::white) : QColor(Qt::black);
}

void pause(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}
} // namespace

TStatusBar::TStatusBar(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("sb"));
    setAccessibleName(QStringLiteral("Status bar"));
    setFixedHeight(fontMetrics().height() + 8);
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

void TStatusBar::repaintPanel(int panel) {
    ++FRepaints[panel];
    repaint(panelRect(panel));
}

void TStatusBar::ShowStatus(int level, const QString &text, bool blink) {
    if (level < 1 || level > PanelCount)
        return;
    if (level == 2) {
        FBlinkState = 1;
        if (!blink) {
            FTexts[1] = text;
            repaintPanel(1);
            return;
        }
        if (Closing && *Closing)
            return;
        const int pauseMs = LinkTiming::current().blinkPauseMs;
        FTexts[1] = text;
        repaintPanel(1);
        if (!quiet())
            pause(pauseMs);
        for (int i = 0; i < 5; ++i) {
            FBlinkState = 1 - FBlinkState;
            repaintPanel(1);
            if (!quiet())
                pause(pauseMs);
        }
        return;
    }
    const int panel = level - 1;
    if (FTexts[panel] != text) {
        FTexts[panel] = text;
        repaintPanel(panel);
    }
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
