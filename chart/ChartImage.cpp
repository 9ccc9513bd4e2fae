#include "chart/ChartImage.h"

#include <QPainter>

TChartImage::TChartImage(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_bitmap.width() < width() || m_bitmap.height() < height())
        painter.fillRect(rect(), palette().window());
    painter.drawImage(0, 0, m_bitmap);
}
