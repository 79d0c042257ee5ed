#include "widgets/PowerGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon PowerGlyphs::Glyph(State state) {
    const int size = 40;
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = state == On    ? QColor(0, 170, 0)
                         : state == Off ? QColor(200, 0, 0)
                                        : QColor(128, 128, 128);
    p.setBrush(color.lighter(170));
    p.setPen(QPen(color.darker(130), 2));
    p.drawEllipse(QRectF(2, 2, size - 4, size - 4));
    // The power symbol: an open ring with a bar through its gap.
    QPen pen(state == Unknown ? QColor(90, 90, 90) : color.darker(110), 4, Qt::SolidLine,
             Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(11, 11, size - 22, size - 22);
    p.drawArc(ring, 60 * 16, -300 * 16);
    p.drawLine(QPointF(size / 2.0, 8), QPointF(size / 2.0, size / 2.0));
    if (state == Unknown) {
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(12);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(QRectF(size - 16, size - 16, 14, 14), Qt::AlignCenter, QStringLiteral("?"));
    }
    return QIcon(pm);
}
