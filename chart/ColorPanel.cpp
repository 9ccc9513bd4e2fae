#include "chart/ColorPanel.h"

#include <QMouseEvent>
#include <QPainter>

TColorPanel::TColorPanel(QWidget *parent) : QFrame(parent) {}

void TColorPanel::SetColor(TColor colour)
{
    m_colour = colour;
    update();
}

void TColorPanel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Click();
}

void TColorPanel::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(ColorToRgb(m_colour)));
    }
    QFrame::paintEvent(event);
}
