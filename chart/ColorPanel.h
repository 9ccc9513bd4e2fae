#pragma once

#include "core/Color.h"

#include <QColor>
#include <QFrame>

// A colour swatch that reacts to a click while enabled.
class TColorPanel : public QFrame {
    Q_OBJECT
    // The colour as the form file gives it.
    Q_PROPERTY(QColor color READ RgbColor WRITE SetRgbColor)
public:
    explicit TColorPanel(QWidget *parent = nullptr);
    TColor Color() const { return m_colour; }
    void SetColor(TColor colour);
    QColor RgbColor() const { return QColor(ColorToRgb(m_colour)); }
    void SetRgbColor(const QColor &colour) { SetColor(RgbToColor(colour.rgb())); }

signals:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TColor m_colour = 0; // black
};
