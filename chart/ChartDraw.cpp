#include "chart/ChartDraw.h"

#include "platform/SafeSave.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <cmath>
#include <limits>

float BarHalfWidth(int32_t n)
{
    if (n <= 20)
        return 0.4f;
    if (n <= 40)
        return 0.45f;
    if (n <= 60)
        return 0.48f;
    return 0.5f;
}

namespace {

// Bar edges are formed in single precision, as the bar positions always were:
// 5.6f lies below 5.6 and decides which pixel a half rounds to.
float Edge(int32_t a, float offset)
{
    return float(a) + offset;
}

double ModeProbability(const TFisherDistribution &dist)
{
    return double(dist.point.Get(dist.mode - dist.aMin));
}

} // namespace

void Redraw(clGraphListFisher &painter, const TChartData &data)
{
    const int32_t width = painter.ImageWidth();
    const int32_t height = painter.ImageHeight();
    if (width < ChartMinWidth || height < ChartMinHeight)
        return; // too small: the last picture stays

    const TFisherDistribution &dist = data.dist;
    // aMin - 1 stands at the axis column and aMax + 1 at the right edge.
    const double scaleX = double(dist.aMax - dist.aMin + 2) / (width - ChartAxisCol);
    const int32_t e = int32_t((dist.aMin - 1) / static_cast<long double>(scaleX) + 0.5L);
    const int32_t originCol = ChartAxisCol - e;

    // pMax stands 10 pixels below the top. A distribution without any positive
    // probability gets the scale of pMax = 1, so that its picture (axes, stubs,
    // strips) is drawn afresh instead of over the previous chart.
    double pMax = ModeProbability(dist);
    if (!(pMax > 0))
        pMax = 1;
    const double scaleY = pMax / (height - 35);

    const int32_t axisRow = height - 25;
    painter.SetGeometry(originCol, axisRow, ChartAxisCol, axisRow, scaleX, scaleY, ChartBackground);
    painter.DrawAxes(ColorBlack);

    const int32_t gap = BarGap(painter, data);
    const int32_t n = dist.Count();
    for (int32_t i = 0; i < n; ++i)
        DrawBar(painter, data, i, gap);

    if (data.options.colorIndex == 0 && data.options.krOblChecked)
        DrawCriticalRegions(painter, data);
}

int32_t BarGap(const clGraphList &painter, const TChartData &data)
{
    const TFisherDistribution &dist = data.dist;
    const int32_t n = dist.Count();
    if (n <= 1)
        return 400000; // a lone bar ends at its nominal right edge
    const float half = BarHalfWidth(n);
    int32_t minWidth = std::numeric_limits<int32_t>::max();
    int32_t gap = std::numeric_limits<int32_t>::max();
    int32_t previousRight = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t left = painter.XToPixel(Edge(dist.aMin + i, -half));
        const int32_t right = painter.XToPixel(Edge(dist.aMin + i, half));
        minWidth = std::min(minWidth, right - left);
        if (i > 0)
            gap = std::min(gap, left - previousRight);
        previousRight = right;
    }
    // One gap for all bars, so that rounding does not widen some of them.
    if (minWidth <= 0)
        gap = 0;
    if (minWidth > 1 && gap <= 0)
        gap = 1;
    return gap;
}

TColor BarColor(const TChartData &data, int32_t i)
{
    const TChartOptions &options = data.options;
    const int32_t enteredA = data.enteredA;
    if (enteredA < 0 || options.colorIndex != 0 || !options.pChecked)
        return options.aColor;
    const int32_t a = data.dist.aMin + i;
    if (a < enteredA)
        return options.leveeColor;
    if (a == enteredA)
        return options.aColor;
    return options.praveeColor;
}

void DrawBar(clGraphList &painter, const TChartData &data, int32_t i, int32_t gap)
{
    const TFisherDistribution &dist = data.dist;
    const int32_t n = dist.Count();
    const float half = BarHalfWidth(n);
    const float p = float(dist.point.Get(i));
    const TColor colour = BarColor(data, i);

    const int32_t left = painter.XToPixel(Edge(dist.aMin + i, -half));
    const int32_t base = painter.YToPixel(0);
    const int32_t top = painter.YToPixel(p);
    int32_t right = i < n - 1 ? painter.XToPixel(Edge(dist.aMin + i + 1, -half)) - gap
                              : painter.XToPixel(Edge(dist.aMax, half));
    if (right <= left)
        right = left + 1;
    // Passed upside down: the fill covers rows top + 1 down to two rows below
    // the axis, so even a bar of 0 leaves a stub under the axis.
    painter.FillRect(left, base + 2, right, top, colour);
}

void DrawCriticalRegions(clGraphList &painter, const TChartData &data)
{
    // "5%", "1%", "0.1%" against the bound arrays kept from 0.1 % upward.
    static constexpr int LevelOfItem[3] = {Level5, Level1, Level01};
    const int32_t item = data.options.znachIndex;
    if (item < 0 || item > 2)
        return;
    const int level = LevelOfItem[item];
    const TCriticalBounds &bounds = data.bounds;
    switch (data.options.kritIndex) {
    case 0:
        DrawLeftRegion(painter, data, bounds.twoLower[level]);
        DrawRightRegion(painter, data, bounds.twoUpper[level]);
        break;
    case 1: DrawLeftRegion(painter, data, bounds.leftBound[level]); break;
    case 2: DrawRightRegion(painter, data, bounds.rightBound[level]); break;
    default: break;
    }
}

namespace {

void DrawStrip(clGraphList &painter, const TChartData &data, int32_t left, int32_t right)
{
    const int32_t row0 = painter.YToPixel(0);
    painter.FillRect(left, row0 + 2, right, row0 + 7, data.options.kritOblColor);
}

} // namespace

void DrawLeftRegion(clGraphList &painter, const TChartData &data, int32_t bound)
{
    if (bound < 0)
        return;
    const float half = BarHalfWidth(data.dist.Count());
    // To the nominal right edge of the bound's bar: the gap is not subtracted.
    DrawStrip(painter, data, painter.XToPixel(Edge(data.dist.aMin, -half)),
              painter.XToPixel(Edge(bound, half)));
}

void DrawRightRegion(clGraphList &painter, const TChartData &data, int32_t bound)
{
    if (bound < 0)
        return;
    const float half = BarHalfWidth(data.dist.Count());
    DrawStrip(painter, data, painter.XToPixel(Edge(bound, -half)),
              painter.XToPixel(Edge(data.dist.aMax, half)));
}

QImage RenderChart(const TChartData &data, QSize size)
{
    TOffscreenImage image(size.width(), size.height());
    clGraphListFisher painter(data.dist);
    painter.Init(&image);
    Redraw(painter, data);
    return image.Bitmap();
}

bool WriteBmp(const QImage &picture, const QString &fileName, QString *error)
{
    // The whole picture is encoded first, so that the file is replaced in one save.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Qt writes a picture of 32-bit pixels as a 24-bit bitmap.
    QImageWriter writer(&buffer, "bmp");
    if (!writer.write(picture.convertToFormat(QImage::Format_RGB32))) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return SaveFileSafely(fileName, bytes, error) == TSaveResult::Saved;
}

bool WriteChartBmp(const TChartData &data, QSize size, const QString &fileName, QString *error)
{
    return WriteBmp(RenderChart(data, size), fileName, error);
}
