#include "control/ui/ShowInOutInfo.h"

#include "control/RoutingModel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

TfrmShowInOutInfo::TfrmShowInOutInfo(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmShowInOutInfo"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    pnlInfo = new QFrame(this);
    pnlInfo->setObjectName(QStringLiteral("pnlInfo"));
    pnlInfo->setFrameShape(QFrame::Box);
    pnlInfo->setAutoFillBackground(true);
    QPalette p = pnlInfo->palette();
    p.setColor(QPalette::Window, QColor(255, 255, 225));
    p.setColor(QPalette::WindowText, Qt::black);
    pnlInfo->setPalette(p);
    lblInfo = new QLabel(QStringLiteral("Output from Input"), pnlInfo);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *panelLayout = new QVBoxLayout(pnlInfo);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(lblInfo);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(pnlInfo);
    lblInfo->installEventFilter(this);
    pnlInfo->installEventFilter(this);
}

bool TfrmShowInOutInfo::Rebuild(const std::function<QString(int)> &label) {
    bool any = false;
    const QStringList lines = RoutingModel::PopupLines(label, &any);
    setFont(lblInfo->font());
    const QFontMetrics fm(lblInfo->font());
    int width = 0, height = 0;
    for (const QString &line : lines) {
        width = std::max(width, fm.horizontalAdvance(line));
        height += fm.height();
    }
    FText = lines.join(QStringLiteral("\r\n"));
    lblInfo->setText(lines.join(QLatin1Char('\n'))); // shown as lines
    lblInfo->setAccessibleDescription(FText);
    setFixedSize(width + 10, height + 10);
    return any;
}

void TfrmShowInOutInfo::ShowAt(const QPoint &globalTopLeft) {
    move(globalTopLeft);
    show();
    raise();
    lblInfo->repaint();
}

bool TfrmShowInOutInfo::eventFilter(QObject *watched, QEvent *event) {
    if ((watched == lblInfo || watched == pnlInfo) && event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmShowInOutInfo::mousePressEvent(QMouseEvent *) {
    close();
}
