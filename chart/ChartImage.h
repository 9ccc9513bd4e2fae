#pragma once

#include "chart/ImageControl.h"

#include <QImage>
#include <QWidget>

// The image control of the chart window: shows its bitmap 1:1, never stretched.
class TChartImage : public QWidget, public clImageControl {
    Q_OBJECT
public:
    explicit TChartImage(QWidget *parent);
    int ControlWidth() const override { return width(); }
    int ControlHeight() const override { return height(); }
    QImage &Bitmap() override { return m_bitmap; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_bitmap;
};
