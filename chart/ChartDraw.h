#pragma once

#include "chart/GraphListFisher.h"
#include "core/CriticalBounds.h"
#include "core/Fisher.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

// Fixed look of the distribution chart.
constexpr TColor ChartBackground = 0xF0FBFF; // cream
constexpr int32_t ChartAxisCol = 40;
constexpr int32_t ChartDesignWidth = 875;
constexpr int32_t ChartDesignHeight = 473;
// The smallest image the chart is drawn on.
constexpr int32_t ChartMinWidth = ChartAxisCol + 1;
constexpr int32_t ChartMinHeight = 36;

constexpr TColor DefaultLeveeColor = 0x0000FF;   // red
constexpr TColor DefaultAColor = 0xFF0000;       // blue
constexpr TColor DefaultPraveeColor = 0x008000;  // green
constexpr TColor DefaultKritOblColor = 0x000080; // maroon

// The chart window's options as a redraw reads them.
struct TChartOptions {
    int32_t colorIndex = 0;    // "Раскраска": 0 "Да", 1 "Нет"
    bool pChecked = true;      // "P(a)"
    bool krOblChecked = false; // "Кр.обл."
    int32_t kritIndex = 0;     // "Критерий": 0 "2-ст.", 1 "лево", 2 "право"
    int32_t znachIndex = 0;    // "Значимость": 0 "5%", 1 "1%", 2 "0.1%"
    TColor leveeColor = DefaultLeveeColor;
    TColor aColor = DefaultAColor;
    TColor praveeColor = DefaultPraveeColor;
    TColor kritOblColor = DefaultKritOblColor;
};

// What one redraw draws: read afresh every time, never kept.
struct TChartData {
    const TFisherDistribution &dist;
    int32_t enteredA; // -1 when only the margins were entered
    const TCriticalBounds &bounds;
    TChartOptions options;
};

// Half the width of a bar in units of a; bars of many values touch.
float BarHalfWidth(int32_t n);

// The whole picture. Draws nothing when the image is 40 pixels wide or less or
// 35 high or less.
void Redraw(clGraphListFisher &painter, const TChartData &data);

int32_t BarGap(const clGraphList &painter, const TChartData &data);
TColor BarColor(const TChartData &data, int32_t i);
void DrawBar(clGraphList &painter, const TChartData &data, int32_t i, int32_t gap);
void DrawCriticalRegions(clGraphList &painter, const TChartData &data);
void DrawLeftRegion(clGraphList &painter, const TChartData &data, int32_t bound);
void DrawRightRegion(clGraphList &painter, const TChartData &data, int32_t bound);

// The chart of data at the given size, drawn without a window.
QImage RenderChart(const TChartData &data, QSize size);

// Writes a picture as a 24-bit Windows bitmap, replacing the file only once the
// whole picture is written (or, in a folder where no new file can be made, writing
// over the existing file); a FIFO or a device receives the picture. On failure
// returns false with the reason in error.
bool WriteBmp(const QImage &picture, const QString &fileName, QString *error = nullptr);

// Renders the chart of the current distribution and writes it as a BMP.
bool WriteChartBmp(const TChartData &data, QSize size, const QString &fileName,
                   QString *error = nullptr);
