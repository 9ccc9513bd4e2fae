#pragma once

#include "chart/ChartDraw.h"

#include <QImage>
#include <QStringList>

// The runs of a colour along one row of a chart picture, as "first-last".
inline QStringList Runs(const QImage &image, int row, TColor colour)
{
    QStringList runs;
    int start = -1;
    for (int col = 0; col <= image.width(); ++col) {
        const bool on = col < image.width() && RgbToColor(image.pixel(col, row)) == colour;
        if (on && start < 0)
            start = col;
        if (!on && start >= 0) {
            runs << QStringLiteral("%1-%2").arg(start).arg(col - 1);
            start = -1;
        }
    }
    return runs;
}
