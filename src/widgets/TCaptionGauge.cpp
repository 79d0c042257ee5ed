#include "widgets/TCaptionGauge.h"

TCaptionGauge::TCaptionGauge(QWidget *parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setFormat(QString());
}

void TCaptionGauge::SetCaption(const QString &caption) {
    FCaption = caption;
    setFormat(caption.isEmpty() ? QStringLiteral("%p%") : caption + QStringLiteral("  %p%"));
}

void TCaptionGauge::SetPosition(int percent) {
    setValue(qBound(0, percent, 100));
    ++FPaints;
    repaint();
}
