#pragma once

#include "chart/ImageControl.h"
#include "core/Color.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

constexpr TColor ColorBlack = 0x000000;
constexpr TColor ColorSilver = 0xC0C0C0;

// Pixel primitives over one image control. Lines leave out their end point,
// fills leave out their right column and bottom row, text stands on the brush.
class clPictList {
public:
    clPictList() = default;
    ~clPictList() { Detach(); }
    clPictList(const clPictList &) = delete;
    clPictList &operator=(const clPictList &) = delete;

    int32_t SetImage(clImageControl *image);
    void Detach() { m_image = nullptr; }
    clImageControl *Image() const { return m_image; }

    int32_t ImageWidth() const;
    int32_t ImageHeight() const;
    void FitBitmap();

    void SetPenColor(TColor colour) { m_pen = colour; }
    void SetBrushColor(TColor colour) { m_brush = colour; }
    TColor PenColor() const { return m_pen; }
    TColor BrushColor() const { return m_brush; }

    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, TColor colour);
    void Erase(TColor colour);

    int32_t TextWidth(const QString &text) const;
    int32_t TextHeight(const QString &text) const;
    void TextOut(int32_t x, int32_t y, const QString &text);

    // The labels' typeface: "MS Sans Serif" 8 pt, or a close sans serif.
    static QFont LabelFont();

private:
    // The bitmap ready for writing, or null when there is nothing to draw on.
    QImage *WritableBitmap();

    clImageControl *m_image = nullptr;
    TColor m_pen = ColorBlack;
    TColor m_brush = 0xFFFFFF;
    int32_t m_penX = 0;
    int32_t m_penY = 0;
    // Made when an image is attached: a font needs the application to exist.
    QFont m_font;
    std::optional<QFontMetrics> m_metrics;
    // A redraw of ten thousand values measures as many labels. Without kerning a
    // label of plain characters is as wide as the rounded sum of their advances,
    // checked against the font when it is chosen; other texts are measured once each.
    std::array<qreal, 128> m_advances{};
    bool m_advancesExact = false;
    mutable QHash<QString, int32_t> m_widths;
};
