#include "chart/GraphList.h"

#include <algorithm>
#include <charconv>
#include <cmath>

QString FormatTickLabel(double value, int32_t fieldWidth, int32_t precision)
{
    if (precision < 0)
        precision = 6; // printf's default for a negative precision
    // to_chars with a precision is printf's "%.*f" without the locale's decimal comma.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, std::min(precision, 60));
    QString text = QString::fromLatin1(buffer, result.ec == std::errc() ? result.ptr - buffer : 0);
    if (fieldWidth > text.size())
        text = QString(fieldWidth - text.size(), QLatin1Char(' ')) + text;
    return text;
}

int32_t clGraphList::Init(clImageControl *image)
{
    const int32_t code = SetImage(image);
    if (code != 0)
        return code;
    m_originCol = ImageWidth() / 2;
    m_originRow = ImageHeight() / 2;
    m_axisCol = m_originCol;
    m_axisRow = m_originRow;
    m_scaleX = 0.05;
    m_scaleY = 0.05;
    return 0;
}

int32_t clGraphList::SetGeometry(int32_t originCol, int32_t originRow, int32_t axisCol,
                                 int32_t axisRow, double scaleX, double scaleY, TColor background)
{
    if (!(scaleX > 0) || !(scaleY > 0))
        return 1; // a NaN scale is refused as well
    m_originCol = originCol;
    m_originRow = originRow;
    m_axisCol = axisCol;
    m_axisRow = axisRow;
    m_scaleX = scaleX;
    m_scaleY = scaleY;
    Erase(background);
    return 0;
}

namespace {

// Pixels from the origin for a world distance, halves away from zero, with the
// clamp signalled by returning false.
bool PixelsFromOrigin(double value, double scale, int32_t &k)
{
    const long double q = std::fabs(static_cast<long double>(value)) / scale;
    if (!(q <= PixelClamp))
        return false;
    k = int32_t(q + 0.5L);
    return true;
}

} // namespace

int32_t clGraphList::XToPixel(double x) const
{
    int32_t k = 0;
    if (!PixelsFromOrigin(x, m_scaleX, k))
        return x > 0 ? PixelClamp : -PixelClamp;
    return x >= 0 ? m_originCol + k : m_originCol - k;
}

int32_t clGraphList::YToPixel(double y) const
{
    int32_t k = 0;
    if (!PixelsFromOrigin(y, m_scaleY, k))
        return y > 0 ? PixelClamp : -PixelClamp;
    return y >= 0 ? m_originRow - k : m_originRow + k;
}

long double clGraphList::PixelToX(int32_t col) const
{
    return static_cast<long double>(col - m_originCol) * m_scaleX;
}

long double clGraphList::PixelToY(int32_t row) const
{
    return static_cast<long double>(m_originRow - row) * m_scaleY;
}

void clGraphList::WorldLine(double x1, double y1, double x2, double y2)
{
    Line(XToPixel(x1), YToPixel(y1), XToPixel(x2), YToPixel(y2));
}

bool clGraphList::DrawXTick(double value, int32_t minLeft, int32_t &left, int32_t &width,
                            int32_t fieldWidth, int32_t precision, TColor colour)
{
    const int32_t d = XToPixel(value);
    SetPenColor(colour);
    const QString label = FormatTickLabel(value, fieldWidth, precision);
    width = TextWidth(label);
    const int32_t h = width / 2;
    if (d - h < 0 || int64_t(d) - h + width - 1 > ImageWidth()) {
        left = -1;
        return false;
    }
    left = d - h;
    if (left < minLeft)
        return false;
    Line(d, m_axisRow - 4, d, m_originRow + 4);
    TextOut(left, m_axisRow + 6, label);
    return true;
}

bool clGraphList::DrawYTick(double value, int32_t minTop, int32_t &top, int32_t &height,
                            int32_t fieldWidth, int32_t precision, TColor colour)
{
    const int32_t d = YToPixel(value);
    SetPenColor(colour);
    const QString label = FormatTickLabel(value, fieldWidth, precision);
    height = TextHeight(label);
    // Tested by the tick row, not by the label's own top and bottom.
    if (d < 0 || int64_t(d) + height - 1 > ImageHeight()) {
        top = -1;
        return false;
    }
    top = d - height / 2;
    if (top < minTop)
        return false;
    Line(m_axisCol - 4, d, m_axisCol + 4, d);
    TextOut(m_axisCol - 5 - TextWidth(label), top, label);
    return true;
}

void clGraphList::DrawAxes(TColor colour)
{
    SetPenColor(colour);
    Line(1, m_axisRow, ImageWidth() - 2, m_axisRow);
    Line(m_axisCol, 1, m_axisCol, ImageHeight() - 2);
}
