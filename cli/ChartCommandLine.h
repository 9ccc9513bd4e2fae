#pragma once

#include "chart/ChartDraw.h"

#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

// The chart a command line asks for: --chart FILE [--size WxH]
// [--criterion two|left|right] [--level 5|1|0.1].
struct TChartRequest {
    QString file;
    QSize size{ChartDesignWidth, ChartDesignHeight};
    // Colouring on and "P(a)" checked; "Кр.обл." only when a criterion or level is given.
    TChartOptions options;
};

// Takes the chart option at argv[i] with its value, advancing i past the value.
// Returns 1 when taken, 0 when argv[i] is no chart option, -1 for a missing or
// wrong value; a size too small to draw on also gets a reason, which names the
// smallest size accepted. The first chart option creates request.
int ParseChartOption(int argc, char **argv, int &i, std::optional<TChartRequest> &request,
                     QString *reason = nullptr);

// A request without --chart FILE is incomplete.
bool ChartRequestComplete(const std::optional<TChartRequest> &request);

// Renders the chart and writes it as a BMP. Needs no display: without a GUI
// application one is made for the call on the offscreen platform, unless a
// platform is set. On failure returns false with the reason in error.
bool WriteRequestedChart(const TChartRequest &request, const TFisherDistribution &dist,
                         int32_t enteredA, const TCriticalBounds &bounds, QString *error);
