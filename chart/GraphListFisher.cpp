#include "chart/GraphListFisher.h"

#include <cmath>

void clGraphListFisher::DrawAxes(TColor colour)
{
    clGraphList::DrawAxes(colour);

    // Every whole a across the image, left to right; a label needs 4 free pixels
    // after the previous one.
    const long double xRight = PixelToX(ImageWidth() - 1);
    long double v = std::trunc(PixelToX(1) - 1);
    int32_t minLeft = 0;
    for (; v < xRight; v += 1) {
        // A tick left of minLeft can neither fit nor be drawn: skip its measuring,
        // which would otherwise dominate a redraw of ten thousand values.
        if (XToPixel(double(v)) < minLeft)
            continue;
        int32_t left = 0, labelWidth = 0;
        if (DrawXTick(double(v), minLeft, left, labelWidth, 0, 0, colour))
            minLeft = left + labelWidth + 4;
    }

    // Ten levels from pMax cut to n decimals, where n shows its first two digits.
    double pMax = double(m_dist.point.Get(m_dist.mode - m_dist.aMin));
    int32_t decimals = 0;
    if (pMax > 0)
        decimals = int32_t(std::log10(1 / pMax + 1)) + 2;
    for (int32_t i = 0; i < decimals; ++i)
        pMax *= 10;
    double top = std::trunc(pMax);
    for (int32_t i = 0; i < decimals; ++i)
        top *= 0.1;
    const double step = 0.1 * top;

    const long double xLeft = PixelToX(m_axisCol);
    int32_t minTop = 0;
    for (double y = top; y > 1e-8; y -= step) {
        SetPenColor(ColorSilver);
        WorldLine(double(xLeft), y, double(xRight), y);
        int32_t t = 0, h = 0;
        if (DrawYTick(y, minTop, t, h, 0, decimals, colour))
            minTop = t + h + 2;
    }
}
