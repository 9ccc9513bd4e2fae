#pragma once

#include "core/Color.h"
#include "core/Fisher.h"

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

// An image control: a bitmap shown 1:1 from its top-left corner. The control's
// size is what the painter draws to; the bitmap follows it on FitBitmap.
class clImageControl {
public:
    virtual ~clImageControl() = default;
    virtual int ControlWidth() const = 0;
    virtual int ControlHeight() const = 0;
    virtual QImage &Bitmap() = 0;
};

// An image control without a window, for rendering offscreen.
class TOffscreenImage : public clImageControl {
public:
    TOffscreenImage(int width, int height) : m_width(width), m_height(height) {}
    void SetControlSize(int width, int height)
    {
        m_width = width;
        m_height = height;
    }
    int ControlWidth() const override { return m_width; }
    int ControlHeight() const override { return m_height; }
    QImage &Bitmap() override { return m_bitmap; }

private:
    int m_width;
    int m_height;
    QImage m_bitmap;
};

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

// The distribution chart's axes: every whole a that fits, ten probability levels.
class clGraphListFisher : public clGraphList {
public:
    explicit clGraphListFisher(const TFisherDistribution &dist) : m_dist(dist) {}
    void DrawAxes(TColor colour) override;

private:
    const TFisherDistribution &m_dist;
};

// A tick label as printf's "%*.*f" writes it, always with a point.
QString FormatTickLabel(double value, int32_t fieldWidth, int32_t precision);

// The largest distance from the origin a conversion gives, in pixels.
constexpr int32_t PixelClamp = 268435456;
