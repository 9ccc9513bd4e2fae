// The bar chart: the worked example pixel by pixel, bar colours, critical
// strips, bar widths for many values, and the bitmap file.

#include "chart/ChartDraw.h"
#include "core/Fisher.h"
#include "report/Report.h"
#include "tests/ChartPixels.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr TColor Red = 0x0000FF, Blue = 0xFF0000, Green = 0x008000, Maroon = 0x000080;
constexpr TColor Cream = 0xF0FBFF;

TColor At(const QImage &image, int col, int row)
{
    return RgbToColor(image.pixel(col, row));
}

struct TBar {
    int a, left, right, top;
    TColor colour;
};

// The table 8 2 1 5 at 875 x 473: columns, top rows (down to row 450) and colours.
const TBar ExampleBars[] = {
    {3, 102, 186, 436, Red},   {4, 207, 290, 318, Red}, {5, 311, 394, 55, Red},
    {6, 415, 499, 11, Red},    {7, 520, 603, 261, Red}, {8, 624, 708, 421, Blue},
    {9, 729, 811, 448, Green},
};

bool InStrips(int col, int row, const QList<QPair<int, int>> &strips)
{
    if (row < 450 || row > 454)
        return false;
    for (const auto &strip : strips)
        if (col >= strip.first && col <= strip.second)
            return true;
    return false;
}

} // namespace

class TestChartDraw : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void workedExampleBars();
    void workedExampleAxesAndGrid();
    void barColours_data();
    void barColours();
    void strips_data();
    void strips();
    void barGap_data();
    void barGap();
    void touchingBars();
    void tenThousandBars();
    void barNarrowerThanAPixel();
    void singleValue();
    void tooSmallKeepsPicture_data();
    void tooSmallKeepsPicture();
    void zeroDistributionRedrawnAfresh();
    void bitmapFile_data();
    void bitmapFile();
    void bitmapFileNotWritable();

private:
    TFisherDistribution m_example;
    TCriticalBounds m_exampleBounds;
    TChartOptions m_regions; // the design options with "Кр.обл." checked
};

void TestChartDraw::initTestCase()
{
    QCOMPARE(ComputeDistribution(m_example, 16, 10, 9), 0);
    m_exampleBounds = ComputeCriticalBounds(m_example);
    m_regions.krOblChecked = true;
}

void TestChartDraw::workedExampleBars()
{
    const QImage image = RenderChart({m_example, 8, m_exampleBounds, m_regions}, QSize(875, 473));
    QCOMPARE(image.size(), QSize(875, 473));
    const QList<QPair<int, int>> strips{{102, 185}, {624, 811}};
    for (const TBar &bar : ExampleBars) {
        for (int row = bar.top; row <= 454; ++row)
            for (int col = bar.left; col <= bar.right; ++col) {
                const TColor expected = InStrips(col, row, strips) ? Maroon
                                        : row <= 450               ? bar.colour
                                                                   : Cream;
                if (row > 450 && expected == Cream)
                    continue; // below the bar: ticks and labels
                QVERIFY2(
                    At(image, col, row) == expected,
                    qPrintable(QStringLiteral("a = %1 at %2,%3").arg(bar.a).arg(col).arg(row)));
            }
        // Nothing of the bar above its top or beside it.
        QVERIFY(At(image, bar.left, bar.top - 1) != bar.colour);
        QVERIFY(At(image, bar.left - 1, 449) != bar.colour);
        QVERIFY(At(image, bar.right + 1, 449) != bar.colour);
    }
    // The strips are exactly rows 450 to 454 of their columns.
    QCOMPARE(Runs(image, 452, Maroon), (QStringList{"102-185", "624-811"}));
    QCOMPARE(Runs(image, 450, Maroon), (QStringList{"102-185", "624-811"}));
    QCOMPARE(Runs(image, 455, Maroon), QStringList{});
    QCOMPARE(Runs(image, 449, Maroon), QStringList{});
}

void TestChartDraw::workedExampleAxesAndGrid()
{
    const QImage image = RenderChart({m_example, 8, m_exampleBounds, m_regions}, QSize(875, 473));
    // The horizontal axis on row 448 runs from column 1 to W - 3, under the bars.
    QCOMPARE(At(image, 0, 448), Cream);
    for (int col : {1, 39, 41, 101, 187, 206, 291, 310, 604, 623, 709, 728, 812, 872})
        QCOMPARE(At(image, col, 448), ColorBlack);
    QCOMPARE(At(image, 873, 448), Cream);
    // The vertical axis on column 40 from row 1, black through the grid rows
    // where every level label has its tick.
    QCOMPARE(At(image, 40, 0), Cream);
    for (int row = 1; row <= 453; ++row)
        QCOMPARE(At(image, 40, row), ColorBlack);
    QCOMPARE(At(image, 40, 470), ColorBlack);
    QCOMPARE(At(image, 40, 471), Cream);

    // Ten levels 0.36 down to 0.04, each a silver grid row to W - 2 with a black tick.
    const QList<int> gridRows{19, 61, 104, 147, 190, 233, 276, 319, 362, 405};
    QList<int> found;
    for (int row = 0; row < 473; ++row)
        if (At(image, 860, row) == ColorSilver)
            found << row;
    QCOMPARE(found, gridRows);
    for (int row : gridRows) {
        QCOMPARE(At(image, 873, row), ColorSilver);
        QCOMPARE(At(image, 874, row), Cream);
        QCOMPARE(At(image, 44, row), ColorSilver);
        for (int col = 36; col <= 43; ++col)
            QCOMPARE(At(image, col, row), ColorBlack);
        QCOMPARE(At(image, 35, row), Cream);
        // The label stands left of the tick, centred on its row.
        bool ink = false;
        for (int col = 0; col < 35; ++col)
            for (int r = row - 6; r <= row + 6; ++r)
                ink = ink || At(image, col, r) == ColorBlack;
        QVERIFY2(ink, qPrintable(QStringLiteral("label of row %1").arg(row)));
    }

    // x labels 2 ... 9: their ticks show on row 451 where no bar or strip covers them.
    for (int col : {40, 249, 353, 457, 562}) {
        QCOMPARE(At(image, col, 451), ColorBlack);
        QCOMPARE(At(image, col + 1, 451), Cream);
    }
    for (int col : {249, 353, 457, 562})
        QCOMPARE(At(image, col, 452), Cream);
    for (int col : {144, 666, 770})
        QCOMPARE(At(image, col, 451), Maroon);
    for (int col : {40, 144, 249, 353, 457, 562, 666, 770}) {
        bool ink = false;
        for (int c = col - 8; c <= col + 8; ++c)
            for (int r = 454; r < 470; ++r)
                ink = ink || At(image, c, r) == ColorBlack;
        QVERIFY2(ink, qPrintable(QStringLiteral("x label at %1").arg(col)));
    }
}

void TestChartDraw::barColours_data()
{
    QTest::addColumn<int>("enteredA");
    QTest::addColumn<int>("colorIndex");
    QTest::addColumn<bool>("pChecked");
    QTest::addColumn<QString>("colours"); // L, A or R for the bars of a = 3 ... 9
    QTest::addColumn<bool>("strips");
    QTest::newRow("entered a inside") << 6 << 0 << true << "LLLARRR" << true;
    QTest::newRow("only the margins") << -1 << 0 << true << "AAAAAAA" << true;
    QTest::newRow("a below aMin") << 1 << 0 << true << "RRRRRRR" << true;
    QTest::newRow("a = 0 is entered, not only the margins") << 0 << 0 << true << "RRRRRRR" << true;
    QTest::newRow("a above aMax") << 12 << 0 << true << "LLLLLLL" << true;
    QTest::newRow("colouring off") << 6 << 1 << true << "AAAAAAA" << false;
    QTest::newRow("P(a) off") << 6 << 0 << false << "AAAAAAA" << true;
}

void TestChartDraw::barColours()
{
    QFETCH(int, enteredA);
    QFETCH(int, colorIndex);
    QFETCH(bool, pChecked);
    QFETCH(QString, colours);
    QFETCH(bool, strips);
    TChartOptions options = m_regions;
    options.colorIndex = colorIndex;
    options.pChecked = pChecked;
    options.leveeColor = 0x111111;
    options.aColor = 0x222222;
    options.praveeColor = 0x333333;
    options.kritOblColor = 0x444444;
    const QImage image =
        RenderChart({m_example, enteredA, m_exampleBounds, options}, QSize(875, 473));
    for (int i = 0; i < 7; ++i) {
        const TColor expected = colours[i] == QLatin1Char('L')   ? 0x111111
                                : colours[i] == QLatin1Char('A') ? 0x222222
                                                                 : 0x333333;
        QCOMPARE(At(image, ExampleBars[i].left + 2, 449), expected);
    }
    QCOMPARE(Runs(image, 452, 0x444444).size(), strips ? 2 : 0);
}

void TestChartDraw::strips_data()
{
    QTest::addColumn<int>("krit");
    QTest::addColumn<int>("znach");
    QTest::addColumn<QStringList>("runs");
    // Left strips end at the nominal right edge of the bound's bar, right strips
    // start at its nominal left edge.
    QTest::newRow("two-sided 5%") << 0 << 0 << QStringList{"102-289", "624-811"};
    QTest::newRow("two-sided 1%: lower bound only") << 0 << 1 << QStringList{"102-185"};
    QTest::newRow("two-sided 0.1%: upper bound only") << 0 << 2 << QStringList{"729-811"};
    QTest::newRow("left 5%") << 1 << 0 << QStringList{"102-394"};
    QTest::newRow("left 1%") << 1 << 1 << QStringList{"102-185"};
    QTest::newRow("left 0.1%: none") << 1 << 2 << QStringList{};
    QTest::newRow("right 5%") << 2 << 0 << QStringList{"520-811"};
    QTest::newRow("right 1%") << 2 << 1 << QStringList{"624-811"};
    QTest::newRow("right 0.1%") << 2 << 2 << QStringList{"729-811"};
}

void TestChartDraw::strips()
{
    QFETCH(int, krit);
    QFETCH(int, znach);
    QFETCH(QStringList, runs);
    TCriticalBounds bounds;
    // Index 0 is 0.1 %, 1 is 1 %, 2 is 5 %.
    const int twoLower[3] = {-1, 3, 4}, twoUpper[3] = {9, -1, 8};
    const int leftBound[3] = {-1, 3, 5}, rightBound[3] = {9, 8, 7};
    for (int i = 0; i < 3; ++i) {
        bounds.twoLower[i] = twoLower[i];
        bounds.twoUpper[i] = twoUpper[i];
        bounds.leftBound[i] = leftBound[i];
        bounds.rightBound[i] = rightBound[i];
    }
    TChartOptions options = m_regions;
    options.kritIndex = krit;
    options.znachIndex = znach;
    options.kritOblColor = 0x123456;
    const QImage image = RenderChart({m_example, 8, bounds, options}, QSize(875, 473));
    QCOMPARE(Runs(image, 450, 0x123456), runs);
    QCOMPARE(Runs(image, 454, 0x123456), runs);
    QCOMPARE(Runs(image, 455, 0x123456), QStringList{});
}

void TestChartDraw::barGap_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("gap");
    QTest::newRow("worked example") << 16 << 10 << 9 << 875 << 20;
    QTest::newRow("61 values: touching bars get one column") << 120 << 60 << 60 << 875 << 1;
    QTest::newRow("61 values one column each: no gap") << 120 << 60 << 60 << 102 << 0;
    QTest::newRow("10001 values: narrower than a pixel") << 20000 << 10000 << 10000 << 875 << 0;
    QTest::newRow("one value") << 5 << 0 << 3 << 875 << 400000;
}

void TestChartDraw::barGap()
{
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
    QFETCH(int, width);
    QFETCH(int, gap);
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, s, m, k), 0);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    TOffscreenImage image(width, 473);
    clGraphListFisher painter(dist);
    painter.Init(&image);
    const TChartData data{dist, -1, bounds, TChartOptions()};
    Redraw(painter, data);
    QCOMPARE(BarGap(painter, data), gap);
}

void TestChartDraw::touchingBars()
{
    // 61 values at 875: half width 0.5, bars of 13 or 14 columns, one column apart.
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 120, 60, 60), 0);
    QCOMPARE(dist.Count(), 61);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    const QImage image = RenderChart({dist, 61, bounds, TChartOptions()}, QSize(875, 473));
    // Every bar left of a = 61 is red; the columns between them are the gaps.
    const QStringList runs = Runs(image, 449, Red);
    QCOMPARE(runs.size(), 61);
    for (int i = 1; i < runs.size(); ++i) {
        const int previousEnd = runs.at(i - 1).section('-', 1).toInt();
        const int start = runs.at(i).section('-', 0, 0).toInt();
        QCOMPARE(start - previousEnd, 2);
    }
    // Origin column 52 (a = -1 at 52 - 13 = 39, rounded), 835 / 62 columns per a:
    // the bars run from a = -0.5 at column 45 to a = 60.5 at column 867.
    QCOMPARE(runs.first().section('-', 0, 0).toInt(), 45);
    QCOMPARE(runs.last().section('-', 1).toInt(), 866);
}

void TestChartDraw::tenThousandBars()
{
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 20000, 10000, 10000), 0);
    QCOMPARE(dist.Count(), 10001);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    TChartOptions options = m_regions;
    options.kritOblColor = 0x123456;
    const QImage image = RenderChart({dist, 5000, bounds, options}, QSize(875, 473));
    // Every bar is one column wide at least; together they cover the plot without
    // a gap, red left of a = 5000 and green right of it.
    const QStringList red = Runs(image, 449, Red);
    const QStringList green = Runs(image, 449, Green);
    QCOMPARE(red.size(), 1);
    QCOMPARE(green.size(), 1);
    const int redEnd = red.first().section('-', 1).toInt();
    const int greenStart = green.first().section('-', 0, 0).toInt();
    QVERIFY(greenStart - redEnd <= 2); // at most the one column of a = 5000 between
    QCOMPARE(red.first().section('-', 0, 0).toInt(), 40);
    QCOMPARE(green.first().section('-', 1).toInt(), 874);
    // The mode's bar reaches row 11.
    bool top = false;
    for (int col = redEnd - 3; col <= greenStart + 3; ++col)
        top = top || At(image, col, 11) != Cream;
    QVERIFY(top);
    // The two-sided 5 % strips reach the plot's edges.
    const QStringList strips = Runs(image, 452, 0x123456);
    QCOMPARE(strips.size(), 2);
    QCOMPARE(strips.first().section('-', 0, 0).toInt(), 40);
    QCOMPARE(strips.last().section('-', 1).toInt(), 874);
}

void TestChartDraw::barNarrowerThanAPixel()
{
    // 10001 values over 835 columns: a bar narrower than a pixel takes one column,
    // not two. Row 11 shows only the mode's column, where a = 5001, as high as the
    // entered mode, is drawn last.
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 20000, 10000, 10000), 0);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    const QImage image = RenderChart({dist, 5000, bounds, TChartOptions()}, QSize(875, 473));
    QCOMPARE(Runs(image, 11, Green), QStringList{"457-457"});
    QCOMPARE(Runs(image, 11, Blue), QStringList{});
}

void TestChartDraw::singleValue()
{
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 5, 0, 3), 0);
    QCOMPARE(dist.Count(), 1);
    const TCriticalBounds bounds = ComputeCriticalBounds(dist);
    const QImage image = RenderChart({dist, 0, bounds, TChartOptions()}, QSize(875, 473));
    // a = 0 +- 0.4 of a range of 2 over 835 columns, from row 11 down to 450.
    QCOMPARE(Runs(image, 449, Blue), QStringList{"290-623"});
    QCOMPARE(Runs(image, 11, Blue), QStringList{"290-623"});
    QCOMPARE(Runs(image, 10, Blue), QStringList{});
    // Levels 1.00 down to 0.10.
    QList<int> grid;
    for (int row = 0; row < 473; ++row)
        if (At(image, 860, row) == ColorSilver)
            grid << row;
    QCOMPARE(grid, (QList<int>{10, 54, 98, 141, 185, 229, 273, 317, 360, 404}));
}

void TestChartDraw::tooSmallKeepsPicture_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("drawn");
    QTest::newRow("40 wide") << QSize(40, 473) << false;
    QTest::newRow("35 high") << QSize(875, 35) << false;
    QTest::newRow("41 by 36") << QSize(41, 36) << true;
}

void TestChartDraw::tooSmallKeepsPicture()
{
    QFETCH(QSize, size);
    QFETCH(bool, drawn);
    TOffscreenImage image(875, 473);
    clGraphListFisher painter(m_example);
    painter.Init(&image);
    const TChartData data{m_example, 8, m_exampleBounds, m_regions};
    Redraw(painter, data);
    const QImage before = image.Bitmap().copy();
    image.SetControlSize(size.width(), size.height());
    Redraw(painter, data);
    if (drawn) {
        QCOMPARE(image.Bitmap().size(), size);
    } else {
        QCOMPARE(image.Bitmap(), before);
    }
}

void TestChartDraw::zeroDistributionRedrawnAfresh()
{
    // Every probability 0: the painter refuses a zero scale, yet the picture of
    // the previous chart must not stay under the new axes.
    TFisherDistribution zero;
    zero.aMin = 3;
    zero.aMax = 9;
    zero.mode = 6;
    for (int i = 0; i < 7; ++i)
        zero.point.Append(0);
    TOffscreenImage image(875, 473);
    clGraphListFisher painter(m_example);
    painter.Init(&image);
    Redraw(painter, {m_example, 8, m_exampleBounds, m_regions});
    clGraphListFisher zeroPainter(zero);
    zeroPainter.Init(&image);
    Redraw(zeroPainter, {zero, 8, m_exampleBounds, m_regions});
    // Only two-row stubs under the axis; no grid lines.
    const QImage &picture = image.Bitmap();
    QCOMPARE(Runs(picture, 400, Red), QStringList{});
    QCOMPARE(At(picture, 150, 449), Red);
    for (int row = 0; row < 473; ++row)
        QVERIFY(At(picture, 860, row) != ColorSilver);
}

void TestChartDraw::bitmapFile_data()
{
    QTest::addColumn<bool>("closedFolder"); // no new file can be made beside the old one
    QTest::newRow("over an older file") << false;
    QTest::newRow("over an older file in a folder closed to new files") << true;
}

void TestChartDraw::bitmapFile()
{
    QFETCH(bool, closedFolder);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("chart.bmp"));
    const TChartData data{m_example, 8, m_exampleBounds, m_regions};
    QFile old(name);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(2000000, 'x')); // longer than the picture: nothing of it stays
    old.close();
    const QFile::Permissions open = QFile::permissions(dir.path());
    if (closedFolder) {
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        QFile probe(dir.filePath(QStringLiteral("probe")));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QFile::setPermissions(dir.path(), open);
            QSKIP("folder permissions do not bind this user");
        }
    }
    QString error;
    const bool written = WriteChartBmp(data, QSize(875, 473), name, &error);
    QFile::setPermissions(dir.path(), open);
    QVERIFY2(written, qPrintable(error));
    QFile file(name);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(24));
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 18), 875);
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 22), 473);
    // 54 header bytes, then 473 rows of 875 * 3 bytes padded to 2628.
    QCOMPARE(bytes.size(), 54 + 2628 * 473);
    const QImage read(name);
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32), RenderChart(data, QSize(875, 473)));
}

void TestChartDraw::bitmapFileNotWritable()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("missing/folder/chart.bmp"));
    QString error;
    QVERIFY(
        !WriteChartBmp({m_example, 8, m_exampleBounds, m_regions}, QSize(875, 473), name, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(name));
}

QTEST_MAIN(TestChartDraw)
#include "tst_chartdraw.moc"
