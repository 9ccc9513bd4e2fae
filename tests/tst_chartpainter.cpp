// The chart painter: conversions, clamps, pixel rules of lines, fills and text,
// the fit tests of both ticks, the spacing of their labels and the probability
// levels of the distribution axes.

#include "chart/GraphListFisher.h"

#include <QtTest>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Cream = 0xF0FBFF;

TColor At(clImageControl &image, int col, int row)
{
    return RgbToColor(image.Bitmap().pixel(col, row));
}

// The set pixels of a small image, as "col,row" strings in row order.
QStringList PixelsOf(clImageControl &image, TColor colour)
{
    QStringList found;
    const QImage &bitmap = image.Bitmap();
    for (int row = 0; row < bitmap.height(); ++row)
        for (int col = 0; col < bitmap.width(); ++col)
            if (RgbToColor(bitmap.pixel(col, row)) == colour)
                found << QStringLiteral("%1,%2").arg(col).arg(row);
    return found;
}

QStringList Block(int left, int top, int right, int bottom)
{
    QStringList pixels;
    for (int row = top; row <= bottom; ++row)
        for (int col = left; col <= right; ++col)
            pixels << QStringLiteral("%1,%2").arg(col).arg(row);
    return pixels;
}

// A distribution of two values with the given largest probability at a = 0.
void MakeDistribution(TFisherDistribution &dist, long double pMax)
{
    dist.aMin = 0;
    dist.aMax = 1;
    dist.mode = 0;
    dist.point.Clear();
    dist.point.Append(pMax);
    dist.point.Append(pMax / 4);
}

} // namespace

class TestChartPainter : public QObject {
    Q_OBJECT
private slots:
    void conversions_data();
    void conversions();
    void pixelRoundTrip();
    void lines_data();
    void lines();
    void fillRect_data();
    void fillRect();
    void noImage();
    void initGeometry();
    void refusedGeometryKeepsPicture();
    void textStandsOnBrush();
    void textWidthIsTheFontsWidth();
    void textOnItsBaseline();
    void xTickFit_data();
    void xTickFit();
    void xTickOverlap();
    void yTickFit_data();
    void yTickFit();
    void tickLabels_data();
    void tickLabels();
    void probabilityLevels_data();
    void probabilityLevels();
    void noLevelsWithoutProbability();
    void labelSpacing_data();
    void labelSpacing();
};

void TestChartPainter::conversions_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    // Origin at column 100, row 200.
    QTest::newRow("zero at the origin") << 1.0 << 0.0 << 100 << 200;
    QTest::newRow("half rounds away from zero") << 1.0 << 2.5 << 103 << 197;
    QTest::newRow("negative half rounds away from zero") << 1.0 << -2.5 << 97 << 203;
    QTest::newRow("below half rounds down") << 1.0 << 2.4999 << 102 << 198;
    QTest::newRow("scaled") << 0.01 << 0.37 << 137 << 163;
    QTest::newRow("just within the clamp") << 1.0 << 268435456.0 << 268435556 << 200 - 268435456;
    QTest::newRow("clamped without the origin") << 1.0 << 3e8 << 268435456 << 268435456;
    QTest::newRow("negative clamped") << 1.0 << -3e8 << -268435456 << -268435456;
}

void TestChartPainter::conversions()
{
    QFETCH(double, scale);
    QFETCH(double, value);
    QFETCH(int, col);
    QFETCH(int, row);
    TOffscreenImage image(300, 300);
    clGraphList painter;
    QCOMPARE(painter.Init(&image), 0);
    QCOMPARE(painter.SetGeometry(100, 200, 0, 0, scale, scale, Cream), 0);
    QCOMPARE(painter.XToPixel(value), col);
    // A clamped y keeps the sign of the world value, not of the row direction.
    if (std::fabs(value) / scale > PixelClamp)
        QCOMPARE(painter.YToPixel(value), value > 0 ? PixelClamp : -PixelClamp);
    else
        QCOMPARE(painter.YToPixel(value), row);
}

void TestChartPainter::pixelRoundTrip()
{
    // The worked example's geometry: a column to world x and back is the same column.
    TOffscreenImage image(875, 473);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(-169, 448, 40, 448, 8.0 / 835, 0.367132867 / 438, Cream);
    for (int col = -10; col < 900; ++col)
        QCOMPARE(painter.XToPixel(double(painter.PixelToX(col))), col);
    for (int row = -10; row < 480; ++row)
        QCOMPARE(painter.YToPixel(double(painter.PixelToY(row))), row);
}

void TestChartPainter::lines_data()
{
    QTest::addColumn<QRect>("from"); // x, y of the start; width, height used as the end point
    QTest::addColumn<QStringList>("pixels");
    QTest::newRow("horizontal leaves out its end")
        << QRect(2, 5, 6, 5) << QStringList{"2,5", "3,5", "4,5", "5,5"};
    QTest::newRow("leftward leaves out its end")
        << QRect(6, 5, 2, 5) << QStringList{"3,5", "4,5", "5,5", "6,5"};
    QTest::newRow("vertical leaves out its end")
        << QRect(4, 1, 4, 4) << QStringList{"4,1", "4,2", "4,3"};
    QTest::newRow("diagonal") << QRect(0, 0, 3, 3) << QStringList{"0,0", "1,1", "2,2"};
    QTest::newRow("shallow diagonal rounds halves away from its start")
        << QRect(0, 0, 4, 1) << QStringList{"0,0", "1,0", "2,1", "3,1"};
    QTest::newRow("to its own start draws nothing") << QRect(3, 3, 3, 3) << QStringList{};
    QTest::newRow("far end clamped outside")
        << QRect(7, 2, 268435456, 2) << QStringList{"7,2", "8,2", "9,2"};
    QTest::newRow("wholly outside") << QRect(-5, 2, -1, 2) << QStringList{};
}

void TestChartPainter::lines()
{
    QFETCH(QRect, from);
    QFETCH(QStringList, pixels);
    TOffscreenImage image(10, 10);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(0, 0, 0, 0, 1, 1, Cream);
    painter.SetPenColor(Red);
    painter.Line(from.x(), from.y(), from.width(), from.height());
    QCOMPARE(PixelsOf(image, Red), pixels);
}

void TestChartPainter::fillRect_data()
{
    QTest::addColumn<QRect>("given"); // left, top, right, bottom as x, y, width, height
    QTest::addColumn<QStringList>("pixels");
    QTest::newRow("right column and bottom row left out") << QRect(2, 3, 4, 5) << Block(2, 3, 3, 4);
    QTest::newRow("top below bottom covers bottom + 1 to top")
        << QRect(2, 5, 4, 3) << Block(2, 4, 3, 5);
    QTest::newRow("left right of right covers right + 1 to left")
        << QRect(4, 3, 2, 5) << Block(3, 3, 4, 4);
    QTest::newRow("both exchanged") << QRect(4, 5, 2, 3) << Block(3, 4, 4, 5);
    QTest::newRow("empty") << QRect(2, 3, 2, 6) << QStringList{};
    QTest::newRow("clipped at the edges") << QRect(-3, 8, 2, 12) << Block(0, 8, 1, 9);
    QTest::newRow("bar from a clamped top") << QRect(1, 9, 2, -268435456) << Block(1, 0, 1, 9);
}

void TestChartPainter::fillRect()
{
    QFETCH(QRect, given);
    QFETCH(QStringList, pixels);
    TOffscreenImage image(10, 10);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(0, 0, 0, 0, 1, 1, Cream);
    painter.FillRect(given.x(), given.y(), given.width(), given.height(), Red);
    QCOMPARE(PixelsOf(image, Red), pixels);
    QCOMPARE(painter.BrushColor(), Red);
}

void TestChartPainter::noImage()
{
    const TFisherDistribution dist;
    clGraphListFisher painter(dist);
    QCOMPARE(painter.Init(nullptr), 1);
    QCOMPARE(painter.SetImage(nullptr), 1);
    QCOMPARE(painter.ImageWidth(), 0);
    QCOMPARE(painter.ImageHeight(), 0);
    QCOMPARE(painter.TextWidth(QStringLiteral("0.36")), 0);
    QCOMPARE(painter.TextHeight(QStringLiteral("0.36")), 0);
    // Drawing without an image does nothing and does not fail.
    QCOMPARE(painter.SetGeometry(0, 0, 0, 0, 1, 1, Cream), 0);
    painter.FillRect(0, 0, 10, 10, Red);
    painter.Line(0, 0, 10, 10);
    painter.TextOut(0, 0, QStringLiteral("x"));
    painter.DrawAxes(ColorBlack);
}

void TestChartPainter::initGeometry()
{
    TOffscreenImage image(875, 473);
    clGraphList painter;
    QCOMPARE(painter.Init(&image), 0);
    QCOMPARE(painter.OriginCol(), 437);
    QCOMPARE(painter.OriginRow(), 236);
    QCOMPARE(painter.AxisCol(), 437);
    QCOMPARE(painter.AxisRow(), 236);
    QCOMPARE(painter.ScaleX(), 0.05);
    QCOMPARE(painter.ScaleY(), 0.05);
    QCOMPARE(image.Bitmap().size(), QSize(875, 473));
}

void TestChartPainter::refusedGeometryKeepsPicture()
{
    TOffscreenImage image(20, 20);
    clGraphList painter;
    painter.Init(&image);
    QCOMPARE(painter.SetGeometry(3, 4, 5, 6, 0.5, 0.25, Cream), 0);
    painter.FillRect(2, 2, 8, 8, Red);
    const QImage before = image.Bitmap().copy();
    QCOMPARE(painter.SetGeometry(9, 9, 9, 9, 1, 0, Cream), 1);
    QCOMPARE(painter.SetGeometry(9, 9, 9, 9, -1, 1, Cream), 1);
    QCOMPARE(painter.SetGeometry(9, 9, 9, 9, 1, std::nan(""), Cream), 1);
    QCOMPARE(image.Bitmap(), before);
    QCOMPARE(painter.OriginCol(), 3);
    QCOMPARE(painter.OriginRow(), 4);
    QCOMPARE(painter.ScaleY(), 0.25);
}

void TestChartPainter::textStandsOnBrush()
{
    TOffscreenImage image(60, 40);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(0, 0, 0, 0, 1, 1, Cream);
    const QString blanks = QStringLiteral("   ");
    const int width = painter.TextWidth(blanks);
    const int height = painter.TextHeight(blanks);
    QVERIFY(width > 0 && height > 0);
    painter.SetBrushColor(Red);
    painter.TextOut(10, 5, blanks);
    QCOMPARE(PixelsOf(image, Red), Block(10, 5, 10 + width - 1, 5 + height - 1));
}

void TestChartPainter::textOnItsBaseline()
{
    // A label's baseline stands the font's ascent below the given row, so its ink
    // spans the glyphs' tight box measured from there.
    TOffscreenImage image(60, 40);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(0, 0, 0, 0, 1, 1, Cream);
    const QString label = QStringLiteral("0.36");
    painter.TextOut(10, 5, label);
    const QFontMetrics metrics(clPictList::LabelFont());
    const QRect glyphs = metrics.tightBoundingRect(label);
    QList<int> inkRows;
    for (const QString &pixel : PixelsOf(image, ColorBlack))
        inkRows << pixel.section(QLatin1Char(','), 1).toInt();
    QVERIFY(!inkRows.isEmpty());
    QCOMPARE(inkRows.first(), 5 + metrics.ascent() + glyphs.top());
    QCOMPARE(inkRows.last(), 5 + metrics.ascent() + glyphs.bottom());
}

void TestChartPainter::textWidthIsTheFontsWidth()
{
    // Label widths are summed from the characters' advances; they must agree with
    // the font's own measure of the whole text, or labels would be misplaced.
    TOffscreenImage image(10, 10);
    clPictList painter;
    painter.SetImage(&image);
    const QFontMetrics metrics(clPictList::LabelFont());
    for (int v = -500; v <= 12000; ++v)
        for (int precision = 0; precision <= 3; ++precision) {
            const QString label = FormatTickLabel(v / (precision ? 997.0 : 1.0), 0, precision);
            QCOMPARE(painter.TextWidth(label), metrics.horizontalAdvance(label));
        }
    const QString cyrillic = QStringLiteral("Крит.обл.");
    QCOMPARE(painter.TextWidth(cyrillic), metrics.horizontalAdvance(cyrillic));
}

void TestChartPainter::xTickFit_data()
{
    // The label's left and right pixel against the image's edges.
    QTest::addColumn<int>("leftEdge");     // where the label's left pixel would stand
    QTest::addColumn<bool>("atRightEdge"); // place by the right pixel instead
    QTest::addColumn<bool>("drawn");
    QTest::newRow("left edge at -1") << -1 << false << false;
    QTest::newRow("left edge at 0") << 0 << false << true;
    QTest::newRow("last pixel at the image width") << 100 << true << true;
    QTest::newRow("last pixel beyond the image width") << 101 << true << false;
}

void TestChartPainter::xTickFit()
{
    QFETCH(int, leftEdge);
    QFETCH(bool, atRightEdge);
    QFETCH(bool, drawn);
    TOffscreenImage image(100, 60);
    clGraphList painter;
    painter.Init(&image);
    const double value = 47;
    const int width = painter.TextWidth(QStringLiteral("47"));
    const int h = width / 2;
    // The label's left pixel is d - h and its last pixel d - h + width - 1.
    const int d = atRightEdge ? leftEdge - width + 1 + h : leftEdge + h;
    painter.SetGeometry(d - 47, 20, 0, 20, 1, 1, Cream);
    int32_t left = 99, measured = 0;
    QCOMPARE(painter.DrawXTick(value, -1000, left, measured, 0, 0, ColorBlack), drawn);
    QCOMPARE(measured, width);
    if (!drawn) {
        QCOMPARE(left, -1);
        QCOMPARE(PixelsOf(image, ColorBlack), QStringList{});
        return;
    }
    QCOMPARE(left, d - h);
    // The tick runs from 4 above the axis row to 3 below the origin row.
    if (d >= 0 && d < 100) {
        for (int row = 16; row <= 23; ++row)
            QCOMPARE(At(image, d, row), ColorBlack);
        QCOMPARE(At(image, d, 24), Cream);
    }
}

void TestChartPainter::xTickOverlap()
{
    TOffscreenImage image(200, 60);
    clGraphList painter;
    painter.Init(&image);
    painter.SetGeometry(0, 20, 0, 20, 1, 1, Cream);
    const int h = painter.TextWidth(QStringLiteral("100")) / 2;
    int32_t left = 0, width = 0;
    // Left of minLeft: refused, but left still tells where it would have stood.
    QVERIFY(!painter.DrawXTick(100, 100 - h + 1, left, width, 0, 0, ColorBlack));
    QCOMPARE(left, 100 - h);
    QCOMPARE(PixelsOf(image, ColorBlack), QStringList{});
    QVERIFY(painter.DrawXTick(100, 100 - h, left, width, 0, 0, ColorBlack));
    QCOMPARE(left, 100 - h);
    QCOMPARE(At(image, 100, 15), Cream);
    QCOMPARE(At(image, 100, 16), ColorBlack);
    QCOMPARE(At(image, 100, 23), ColorBlack);
}

void TestChartPainter::yTickFit_data()
{
    QTest::addColumn<int>("tickRow");
    QTest::addColumn<int>("minTop");
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<int>("top"); // -1, or the offset from the tick row by half the height
    QTest::newRow("tick row above the image") << -1 << -1000 << false << -1;
    QTest::newRow("tick row 0 passes though the label sticks out") << 0 << -1000 << true << 0;
    QTest::newRow("tick row 0 refused by minTop") << 0 << 0 << false << 0;
    QTest::newRow("tick row plus height - 1 at the height") << 1000 << -1000 << true << 0;
    QTest::newRow("tick row plus height - 1 beyond the height") << 1001 << -1000 << false << -1;
}

void TestChartPainter::yTickFit()
{
    QFETCH(int, tickRow);
    QFETCH(int, minTop);
    QFETCH(bool, drawn);
    QFETCH(int, top);
    TOffscreenImage image(100, 80);
    clGraphList painter;
    painter.Init(&image);
    const int height = painter.TextHeight(QStringLiteral("0.5"));
    // Rows 1000 and 1001 stand for the last rows the fit test admits and refuses.
    if (tickRow >= 1000)
        tickRow = 80 - height + 1 + (tickRow - 1000);
    // World y = 0.5 at the tick row: origin row = tickRow + 50 with 0.01 per pixel.
    painter.SetGeometry(0, tickRow + 50, 60, 0, 1, 0.01, Cream);
    int32_t gotTop = 99, gotHeight = 0;
    QCOMPARE(painter.DrawYTick(0.5, minTop, gotTop, gotHeight, 0, 1, ColorBlack), drawn);
    QCOMPARE(gotHeight, height);
    QCOMPARE(gotTop, top == -1 ? -1 : tickRow - height / 2);
    if (drawn) {
        // The tick runs from 4 left of the axis to 3 right of it.
        if (tickRow >= 0 && tickRow < 80) {
            QCOMPARE(At(image, 56, tickRow), ColorBlack);
            QCOMPARE(At(image, 63, tickRow), ColorBlack);
            QCOMPARE(At(image, 64, tickRow), Cream);
        }
    } else {
        QCOMPARE(PixelsOf(image, ColorBlack), QStringList{});
    }
}

void TestChartPainter::tickLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("fieldWidth");
    QTest::addColumn<int>("precision");
    QTest::addColumn<QString>("label");
    QTest::newRow("whole a") << 2.0 << 0 << 0 << "2";
    QTest::newRow("large a") << 9649.0 << 0 << 0 << "9649";
    QTest::newRow("negative a") << -77.0 << 0 << 0 << "-77";
    QTest::newRow("level cut to two decimals") << 0.36 << 0 << 2 << "0.36";
    QTest::newRow("level rounded by the format") << 0.324 << 0 << 2 << "0.32";
    QTest::newRow("ninth level of 0.36") << 0.36 - 8 * 0.036 << 0 << 2 << "0.07";
    QTest::newRow("three decimals") << 0.004 << 0 << 3 << "0.004";
    QTest::newRow("padded to the field width") << 5.0 << 5 << 1 << "  5.0";
}

void TestChartPainter::tickLabels()
{
    QFETCH(double, value);
    QFETCH(int, fieldWidth);
    QFETCH(int, precision);
    QFETCH(QString, label);
    QCOMPARE(FormatTickLabel(value, fieldWidth, precision), label);
}

void TestChartPainter::probabilityLevels_data()
{
    QTest::addColumn<double>("pMax");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0.3: two decimals") << 0.3 << 0.30 << 2;
    QTest::newRow("1: two decimals") << 1.0 << 1.00 << 2;
    QTest::newRow("0.04: three decimals") << 0.04 << 0.040 << 3;
    QTest::newRow("0.367132867 cut, not rounded") << 0.367132867 << 0.36 << 2;
    QTest::newRow("0.0119 cut to 0.011") << 0.0119 << 0.011 << 3;
}

void TestChartPainter::probabilityLevels()
{
    QFETCH(double, pMax);
    QFETCH(double, top);
    QFETCH(int, decimals);
    Q_UNUSED(decimals);
    TFisherDistribution dist;
    MakeDistribution(dist, pMax);
    TOffscreenImage image(300, 460);
    clGraphListFisher painter(dist);
    painter.Init(&image);
    // pMax at 10 rows below the top; axis row 440.
    const double scaleY = pMax / 430;
    painter.SetGeometry(40, 440, 40, 440, 0.01, scaleY, Cream);
    painter.DrawAxes(ColorBlack);
    // Ten grid lines at top, 0.9 top, ... 0.1 top, seen right of the labels' ticks.
    QList<int> expected;
    for (int j = 10; j >= 1; --j)
        expected << 440 - int(top * j / 10 / scaleY + 0.5);
    QList<int> grid;
    for (int row = 0; row < 460; ++row)
        if (At(image, 250, row) == ColorSilver)
            grid << row;
    QCOMPARE(grid, expected);
    // The grid ends one column short of the right edge.
    QCOMPARE(At(image, 298, expected.first()), ColorSilver);
    QCOMPARE(At(image, 299, expected.first()), Cream);
}

void TestChartPainter::noLevelsWithoutProbability()
{
    TFisherDistribution dist;
    MakeDistribution(dist, 0);
    TOffscreenImage image(300, 200);
    clGraphListFisher painter(dist);
    painter.Init(&image);
    painter.SetGeometry(40, 175, 40, 175, 0.01, 0.001, Cream);
    painter.DrawAxes(ColorBlack);
    QCOMPARE(PixelsOf(image, ColorSilver), QStringList{});
    // Only the axis lines and x ticks: nothing left of the axis above the x labels.
    for (int row = 0; row < 170; ++row)
        for (int col = 0; col < 36; ++col)
            QCOMPARE(At(image, col, row), Cream);
}

void TestChartPainter::labelSpacing_data()
{
    QTest::addColumn<bool>("xAxis"); // the a labels, or the probability levels
    QTest::addColumn<int>("free");   // pixels between two neighbouring labels
    QTest::addColumn<int>("every");  // every label, or every other
    QTest::newRow("a labels four columns apart: all drawn") << true << 4 << 1;
    QTest::newRow("a labels three columns apart: every other") << true << 3 << 2;
    QTest::newRow("levels two rows apart: all drawn") << false << 2 << 1;
    QTest::newRow("levels one row apart: every other") << false << 1 << 2;
}

void TestChartPainter::labelSpacing()
{
    QFETCH(bool, xAxis);
    QFETCH(int, free);
    QFETCH(int, every);
    TFisherDistribution dist;
    MakeDistribution(dist, 1); // levels 1.00 down to 0.10
    TOffscreenImage probe(10, 10);
    clPictList measure;
    measure.SetImage(&probe);
    const int width = measure.TextWidth(QStringLiteral("0"));
    for (char digit = '1'; digit <= '9'; ++digit)
        QCOMPARE(measure.TextWidth(QString(QLatin1Char(digit))), width);
    const int height = measure.TextHeight(QStringLiteral("1.00"));
    // Whole a 0 ... 9 from column 10, or the ten levels from row 20 down, one
    // label's size plus the free pixels apart; only drawn labels get a tick.
    const int step = (xAxis ? width : height) + free;
    const int axisRow = xAxis ? 40 : 20 + 10 * step;
    TOffscreenImage image(xAxis ? 10 + 9 * step + width : 100, axisRow + 30);
    clGraphListFisher painter(dist);
    painter.Init(&image);
    painter.SetGeometry(10, axisRow, xAxis ? 0 : 40, axisRow, xAxis ? 1.0 / step : 0.01,
                        xAxis ? 0.01 : 0.1 / step, Cream);
    painter.DrawAxes(ColorBlack);
    for (int j = 0; j < 10; ++j) {
        const bool labelled = j % every == 0;
        // a = j's tick above the axis, or the level's tick left of the axis.
        const TColor tick =
            xAxis ? At(image, 10 + j * step, axisRow - 4) : At(image, 36, 20 + j * step);
        QVERIFY2(tick == (labelled ? ColorBlack : Cream), qPrintable(QString::number(j)));
    }
}

QTEST_MAIN(TestChartPainter)
#include "tst_chartpainter.moc"
