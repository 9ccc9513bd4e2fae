#include "chart/PictList.h"

#include <QFontInfo>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

QFont clPictList::LabelFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    if (QFontInfo(font).family() != QLatin1String("MS Sans Serif"))
        font = QFont(QStringLiteral("Liberation Sans"));
    // 8 points on a 96-dpi screen.
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setKerning(false);
    return font;
}

int32_t clPictList::SetImage(clImageControl *image)
{
    if (!image)
        return 1;
    Detach();
    m_font = LabelFont();
    m_metrics.emplace(m_font);
    m_widths.clear();
    const QFontMetricsF exact(m_font);
    for (int ch = 32; ch < 128; ++ch)
        m_advances[size_t(ch)] = exact.horizontalAdvance(QChar(ch));
    m_advancesExact = true;
    for (const char *sample : {"0123456789", "11", "-1.05", "0.004", "10000", "-9649", "77.7",
                               "1111111111", "9999", "0.36", "-353"}) {
        const QString text = QString::fromLatin1(sample);
        qreal sum = 0;
        for (QChar ch : text)
            sum += m_advances[ch.unicode()];
        m_advancesExact = m_advancesExact && qRound(sum) == m_metrics->horizontalAdvance(text);
    }
    m_image = image;
    FitBitmap();
    return 0;
}

int32_t clPictList::ImageWidth() const
{
    return m_image ? m_image->ControlWidth() : 0;
}

int32_t clPictList::ImageHeight() const
{
    return m_image ? m_image->ControlHeight() : 0;
}

void clPictList::FitBitmap()
{
    if (!m_image)
        return;
    const int width = std::max(0, m_image->ControlWidth());
    const int height = std::max(0, m_image->ControlHeight());
    QImage &bitmap = m_image->Bitmap();
    if (bitmap.width() == width && bitmap.height() == height &&
        bitmap.format() == QImage::Format_RGB32)
        return;
    if (width == 0 || height == 0) {
        bitmap = QImage();
        return;
    }
    // A resized bitmap keeps its old picture at the top left; new area is white.
    QImage fitted(width, height, QImage::Format_RGB32);
    fitted.fill(qRgb(255, 255, 255));
    if (!bitmap.isNull()) {
        const QImage old = bitmap.convertToFormat(QImage::Format_RGB32);
        const int rows = std::min(height, old.height());
        const int cols = std::min(width, old.width());
        for (int row = 0; row < rows; ++row)
            std::copy_n(reinterpret_cast<const QRgb *>(old.constScanLine(row)), cols,
                        reinterpret_cast<QRgb *>(fitted.scanLine(row)));
    }
    bitmap = fitted;
}

QImage *clPictList::WritableBitmap()
{
    if (!m_image)
        return nullptr;
    QImage &bitmap = m_image->Bitmap();
    if (bitmap.isNull())
        return nullptr;
    if (bitmap.format() != QImage::Format_RGB32)
        bitmap = bitmap.convertToFormat(QImage::Format_RGB32);
    return &bitmap;
}

void clPictList::MoveTo(int32_t x, int32_t y)
{
    m_penX = x;
    m_penY = y;
}

void clPictList::LineTo(int32_t x, int32_t y)
{
    const int64_t x0 = m_penX, y0 = m_penY;
    m_penX = x;
    m_penY = y;
    QImage *bitmap = WritableBitmap();
    if (!bitmap)
        return;
    const int64_t width = bitmap->width(), height = bitmap->height();
    const QRgb pixel = ColorToRgb(m_pen);
    const int64_t dx = x - x0, dy = y - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
    const int64_t minor = xMajor ? std::llabs(dy) : std::llabs(dx);
    if (major == 0)
        return; // a line to its own start plots nothing
    const int64_t majorStart = xMajor ? x0 : y0;
    const int64_t minorStart = xMajor ? y0 : x0;
    const int64_t majorStep = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const int64_t minorStep = (xMajor ? dy : dx) > 0 ? 1 : -1;
    const int64_t majorLimit = xMajor ? width : height;
    const int64_t minorLimit = xMajor ? height : width;

    // Only the steps whose major coordinate lies inside the bitmap are walked,
    // so a clamped end point far outside costs nothing.
    int64_t first = 0, last = major - 1; // the end point itself is left out
    if (majorStep > 0) {
        first = std::max(first, -majorStart);
        last = std::min(last, majorLimit - 1 - majorStart);
    } else {
        first = std::max(first, majorStart - (majorLimit - 1));
        last = std::min(last, majorStart);
    }
    for (int64_t i = first; i <= last; ++i) {
        const int64_t m = majorStart + i * majorStep;
        // The minor coordinate rounded to the nearest pixel, halves away from the start.
        const int64_t n = minorStart + minorStep * ((2 * i * minor + major) / (2 * major));
        if (n < 0 || n >= minorLimit)
            continue;
        const int col = int(xMajor ? m : n);
        const int row = int(xMajor ? n : m);
        reinterpret_cast<QRgb *>(bitmap->scanLine(row))[col] = pixel;
    }
}

void clPictList::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    MoveTo(x1, y1);
    LineTo(x2, y2);
}

void clPictList::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, TColor colour)
{
    SetBrushColor(colour);
    QImage *bitmap = WritableBitmap();
    if (!bitmap)
        return;
    int64_t l = left, t = top, r = right, b = bottom;
    // A rectangle given upside down covers the rows below its top edge down to
    // and including the old top: the bars are passed this way.
    if (t > b) {
        std::swap(t, b);
        ++t;
        ++b;
    }
    if (l > r) {
        std::swap(l, r);
        ++l;
        ++r;
    }
    l = std::max<int64_t>(l, 0);
    t = std::max<int64_t>(t, 0);
    r = std::min<int64_t>(r, bitmap->width());
    b = std::min<int64_t>(b, bitmap->height());
    if (l >= r || t >= b)
        return;
    const QRgb pixel = ColorToRgb(colour);
    for (int64_t row = t; row < b; ++row) {
        QRgb *line = reinterpret_cast<QRgb *>(bitmap->scanLine(int(row)));
        std::fill(line + l, line + r, pixel);
    }
}

void clPictList::Erase(TColor colour)
{
    FitBitmap();
    FillRect(0, 0, ImageWidth(), ImageHeight(), colour);
}

int32_t clPictList::TextWidth(const QString &text) const
{
    if (!m_image || !m_metrics)
        return 0;
    if (m_advancesExact) {
        qreal sum = 0;
        bool plain = true;
        for (QChar ch : text) {
            plain = plain && ch.unicode() >= 32 && ch.unicode() < 128;
            if (!plain)
                break;
            sum += m_advances[ch.unicode()];
        }
        if (plain)
            return qRound(sum);
    }
    const auto known = m_widths.constFind(text);
    if (known != m_widths.constEnd())
        return *known;
    if (m_widths.size() > 100000)
        m_widths.clear();
    const int32_t width = m_metrics->horizontalAdvance(text);
    m_widths.insert(text, width);
    return width;
}

int32_t clPictList::TextHeight(const QString &) const
{
    return m_image && m_metrics ? m_metrics->height() : 0;
}

void clPictList::TextOut(int32_t x, int32_t y, const QString &text)
{
    QImage *bitmap = WritableBitmap();
    if (!bitmap)
        return;
    // The text cell is opaque in the brush colour, as on a window's canvas.
    const TColor pen = m_pen;
    FillRect(x, y, x + TextWidth(text), y + TextHeight(text), m_brush);
    m_pen = pen;
    QPainter painter(bitmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(m_font);
    painter.setPen(QColor(Qt::black));
    painter.drawText(x, y + (m_metrics ? m_metrics->ascent() : 0), text);
}
