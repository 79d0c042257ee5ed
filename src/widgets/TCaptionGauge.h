#pragma once
// A progress gauge with a caption written over it and a 0..100 position.

#include <QProgressBar>

class TCaptionGauge : public QProgressBar {
    Q_OBJECT
public:
    explicit TCaptionGauge(QWidget *parent = nullptr);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &caption);
    int Position() const { return value(); }
    void SetPosition(int percent);
    int PaintCount() const { return FPaints; }

private:
    QString FCaption;
    int FPaints = 0;
};
