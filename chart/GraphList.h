#pragma once

#include "chart/PictList.h"
#include "core/Color.h"

#include <QString>

#include <cstdint>

// A world of (a, probability) over the pixels, with axes and labelled ticks.
class clGraphList : public clPictList {
public:
    int32_t Init(clImageControl *image);
    int32_t SetGeometry(int32_t originCol, int32_t originRow, int32_t axisCol, int32_t axisRow,
                        double scaleX, double scaleY, TColor background);

    int32_t XToPixel(double x) const;
    int32_t YToPixel(double y) const;
    long double PixelToX(int32_t col) const;
    long double PixelToY(int32_t row) const;

    void WorldLine(double x1, double y1, double x2, double y2);
    bool DrawXTick(double value, int32_t minLeft, int32_t &left, int32_t &width, int32_t fieldWidth,
                   int32_t precision, TColor colour);
    bool DrawYTick(double value, int32_t minTop, int32_t &top, int32_t &height, int32_t fieldWidth,
                   int32_t precision, TColor colour);

    // Axis lines only; the distribution chart labels them in its own override.
    virtual void DrawAxes(TColor colour);

    int32_t OriginCol() const { return m_originCol; }
    int32_t OriginRow() const { return m_originRow; }
    int32_t AxisCol() const { return m_axisCol; }
    int32_t AxisRow() const { return m_axisRow; }
    double ScaleX() const { return m_scaleX; }
    double ScaleY() const { return m_scaleY; }

protected:
    int32_t m_originCol = 0;
    int32_t m_originRow = 0;
    int32_t m_axisCol = 0;
    int32_t m_axisRow = 0;
    double m_scaleX = 0;
    double m_scaleY = 0;
};

// A tick label as printf's "%*.*f" writes it, always with a point.
QString FormatTickLabel(double value, int32_t fieldWidth, int32_t precision);

// The largest distance from the origin a conversion gives, in pixels.
constexpr int32_t PixelClamp = 268435456;
