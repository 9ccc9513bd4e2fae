#include "core/Fisher.h"
#include "core/RunComputation.h"
#include "tests/Recording.h"

#include <QtTest>

#ifdef VELMAR_HAVE_BOOST
#include <boost/math/distributions/hypergeometric.hpp>
#endif

#include <cfloat>
#include <cmath>
#include <cstdio>

namespace {

QString Fixed9(long double v)
{
    return QString::asprintf("%.9Lf", v);
}

QStringList Column(const clLDVector &v)
{
    QStringList values;
    for (int i = 0; i < v.Length(); ++i)
        values << Fixed9(v.Get(i));
    return values;
}

// The plain product without any scaling, for the tables where it stays normal.
std::vector<long double> PlainPoints(int s, int m, int k)
{
    const int aMin = std::max(0, m + k - s), aMax = std::min(m, k);
    long double p = 1.0L;
    if (s >= m + k)
        for (int i = 0; i < m; ++i)
            p = ((long double)(s - k - i) / (long double)(s - i)) * p;
    else
        for (int i = 0; i < s - m; ++i)
            p = ((long double)(k - i) / (long double)(s - i)) * p;
    std::vector<long double> points;
    for (int a = aMin; a <= aMax; ++a) {
        points.push_back(p);
        p = (((long double)(m - a) * (long double)(k - a)) /
             ((long double)(a + 1) * (long double)(s - m - k + a + 1))) *
            p;
    }
    return points;
}

} // namespace

class TestFisher : public QObject {
    Q_OBJECT
private slots:
    void workedExamples_data();
    void workedExamples();
    void singleFeasibleValue_data();
    void singleFeasibleValue();
    void refusalsLeaveResult_data();
    void refusalsLeaveResult();
    void balancedLargestTableDoesNotUnderflow();
    void bitIdenticalToPlainProduct_data();
    void bitIdenticalToPlainProduct();
    void agreesWithBoost_data();
    void agreesWithBoost();
    void twoSidedIsSymmetricForSymmetricMargins();
    void farTails_data();
    void farTails();
    void driverOrder_data();
    void driverOrder();

private:
    TFisherDistribution dist;
};

void TestFisher::workedExamples_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::addColumn<QList<int>>("ranges"); // aMin aMax bMin bMax cMin cMax dMin dMax mode
    QTest::addColumn<QStringList>("point");
    QTest::addColumn<QStringList>("twoSided");
    QTest::addColumn<QStringList>("left");

    QTest::newRow("3 1 1 3")
        << 8 << 4 << 4 << QList<int>{0, 4, 0, 4, 0, 4, 0, 4, 2}
        << QStringList{"0.014285714", "0.228571429", "0.514285714", "0.228571429", "0.014285714"}
        << QStringList{"0.028571429", "0.485714286", "1.000000000", "0.485714286", "0.028571429"}
        << QStringList{"0.014285714", "0.242857143", "0.757142857", "0.985714286", "1.000000000"};
    QTest::newRow("8 2 1 5") << 16 << 10 << 9 << QList<int>{3, 9, 1, 7, 0, 6, 0, 6, 6}
                             << QStringList{"0.010489510", "0.110139860", "0.330419580",
                                            "0.367132867", "0.157342657", "0.023601399",
                                            "0.000874126"}
                             << QStringList{"0.011363636", "0.145104895", "0.632867133",
                                            "1.000000000", "0.302447552", "0.034965035",
                                            "0.000874126"}
                             << QStringList{"0.010489510", "0.120629371", "0.451048951",
                                            "0.818181818", "0.975524476", "0.999125874",
                                            "1.000000000"};
    // 1 0 0 2: the most probable table is the first; the mode formula must not reach a = 1.
    QTest::newRow("1 0 0 2") << 3 << 1 << 1 << QList<int>{0, 1, 0, 1, 0, 1, 1, 2, 0}
                             << QStringList{"0.666666667", "0.333333333"}
                             << QStringList{"1.000000000", "0.333333333"}
                             << QStringList{"0.666666667", "1.000000000"};
    // (m + 1)(k + 1) = s + 2: a = 0 and a = 1 are equally probable, the upper one is the mode.
    QTest::newRow("mode tie, 0 2 2 3") << 7 << 2 << 2 << QList<int>{0, 2, 0, 2, 0, 2, 3, 5, 1}
                                       << QStringList{"0.476190476", "0.476190476", "0.047619048"}
                                       << QStringList{"0.523809524", "1.000000000", "0.047619048"}
                                       << QStringList{"0.476190476", "0.952380952", "1.000000000"};
}

void TestFisher::workedExamples()
{
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
    QFETCH(QList<int>, ranges);
    QCOMPARE(ComputeDistribution(dist, s, m, k), 0);
    const TFisherDistribution &d = dist;
    QCOMPARE((QList<int>{d.aMin, d.aMax, d.bMin, d.bMax, d.cMin, d.cMax, d.dMin, d.dMax, d.mode}),
             ranges);
    QTEST(Column(d.point), "point");
    QTEST(Column(d.twoSided), "twoSided");
    QTEST(Column(d.leftCumulative), "left");
}

void TestFisher::singleFeasibleValue_data()
{
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::newRow("m = 0") << 0 << 4;
    QTest::newRow("k = 0") << 3 << 0;
    QTest::newRow("m = s") << 7 << 4;
    QTest::newRow("k = s") << 2 << 7;
}

void TestFisher::singleFeasibleValue()
{
    QFETCH(int, m);
    QFETCH(int, k);
    QCOMPARE(ComputeDistribution(dist, 7, m, k), 0);
    QCOMPARE(dist.Count(), 1);
    QCOMPARE(dist.point.Get(0), 1.0L);
    QCOMPARE(dist.twoSided.Get(0), 1.0L);
    QCOMPARE(dist.leftCumulative.Get(0), 1.0L);
}

void TestFisher::refusalsLeaveResult_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("status");
    QTest::newRow("empty total") << 0 << 0 << 0 << 1;
    QTest::newRow("negative m") << 10 << -1 << 3 << 1;
    QTest::newRow("negative k") << 10 << 3 << -1 << 1;
    QTest::newRow("m above s") << 10 << 11 << 3 << 1;
    QTest::newRow("k above s") << 10 << 3 << 11 << 1;
    QTest::newRow("20001") << 20001 << 5 << 5 << 2;
    QTest::newRow("inconsistent beats size") << 20001 << 20002 << 5 << 1;
}

void TestFisher::refusalsLeaveResult()
{
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
    QCOMPARE(ComputeDistribution(dist, 16, 10, 9), 0);
    QTEST(ComputeDistribution(dist, s, m, k), "status");
    QCOMPARE(dist.aMin, 3);
    QCOMPARE(dist.Count(), 7);
    QCOMPARE(Fixed9(dist.point.Get(3)), QString("0.367132867"));
}

void TestFisher::balancedLargestTableDoesNotUnderflow()
{
    QCOMPARE(ComputeDistribution(dist, 20000, 10000, 10000), 0);
    const TFisherDistribution &d = dist;
    QCOMPARE(d.Count(), 10001);
    QCOMPARE(d.mode, 5000);
    const int i = 5000 - d.aMin;
    QVERIFY(std::fabs(d.point.Get(i) - 0.011283368536702163L) < 1e-17L);
    QVERIFY(std::fabs(d.point.Sum() - 1.0L) < 1e-15L);
    QCOMPARE(Fixed9(d.twoSided.Get(i)), QString("1.000000000"));
    // The far tails are truly below the extended range and read 0.
    QCOMPARE(d.point.Get(0), 0.0L);
    QVERIFY(d.point.Get(i - 3000) > 0.0L);
}

void TestFisher::bitIdenticalToPlainProduct_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::newRow("small") << 16 << 10 << 9;
    QTest::newRow("skewed") << 300 << 20 << 250;
    QTest::newRow("medium") << 2000 << 1000 << 700;
    QTest::newRow("large, aMin > 0") << 16000 << 12000 << 9000;
    QTest::newRow("large, aMin = 0") << 20000 << 3000 << 2000;
}

void TestFisher::bitIdenticalToPlainProduct()
{
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
    const std::vector<long double> plain = PlainPoints(s, m, k);
    QVERIFY2(plain.front() >= LDBL_MIN, "the plain product must stay normal here");
    QCOMPARE(ComputeDistribution(dist, s, m, k), 0);
    QCOMPARE(size_t(dist.Count()), plain.size());
    for (size_t i = 0; i < plain.size(); ++i)
        if (plain[i] >= LDBL_MIN)
            QVERIFY2(dist.point.Get(int(i)) == plain[i], qPrintable(QString::number(i)));
}

void TestFisher::agreesWithBoost_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    const int tables[][3] = {
        {2, 1, 1},
        {8, 4, 4},
        {16, 10, 9},
        {14, 9, 9},
        {30, 3, 27},
        {57, 20, 31},
        {100, 50, 50},
        {100, 1, 99},
        {250, 125, 7},
        {999, 333, 444},
        {1000, 10, 990},
        {2000, 1000, 1000},
        {3001, 1500, 17},
        {5000, 4000, 4500},
        {7777, 3333, 2222},
        {10000, 5000, 5000},
        {12345, 6789, 1011},
        {15000, 14000, 800},
        {16000, 8000, 8000},
        {18000, 2, 17000},
        {19999, 9999, 10000},
        {20000, 10000, 10000},
        {20000, 19000, 19500},
        {20000, 7000, 13000},
        {20000, 100, 100},
        {20000, 1, 1},
        {20000, 20000, 3},
        {17, 8, 9},
        {300, 150, 151},
        {4096, 2048, 1024},
    };
    for (const auto &t : tables)
        QTest::addRow("s %d m %d k %d", t[0], t[1], t[2]) << t[0] << t[1] << t[2];
}

void TestFisher::agreesWithBoost()
{
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
#ifndef VELMAR_HAVE_BOOST
    Q_UNUSED(s);
    Q_UNUSED(m);
    Q_UNUSED(k);
    QSKIP("built without Boost.Math");
#else
    QCOMPARE(ComputeDistribution(dist, s, m, k), 0);
    const boost::math::hypergeometric_distribution<long double> reference{unsigned(k), unsigned(m),
                                                                          unsigned(s)};
    int checked = 0;
    // Boost's pdf costs a lot for large tables: take some 60 points across the range.
    const int stride = std::max(1, dist.Count() / 60);
    for (int i = 0; i < dist.Count(); i += stride) {
        const long double expected = boost::math::pdf(reference, unsigned(dist.aMin + i));
        if (expected <= 1e-300L)
            continue;
        const long double got = dist.point.Get(i);
        QVERIFY2(std::fabs(got - expected) <= 1e-14L * expected,
                 qPrintable(
                     QString::asprintf("a = %d: %.20Lg vs %.20Lg", dist.aMin + i, got, expected)));
        ++checked;
    }
    QVERIFY(checked > 0);
#endif
}

void TestFisher::twoSidedIsSymmetricForSymmetricMargins()
{
    // With m = k = s / 2 the tables pair off by |D|, so both tails carry equal values.
    QCOMPARE(ComputeDistribution(dist, 40, 20, 20), 0);
    const TFisherDistribution &d = dist;
    for (int i = 0; i < d.Count(); ++i)
        QCOMPARE(d.twoSided.Get(i), d.twoSided.Get(d.Count() - 1 - i));
}

void TestFisher::farTails_data()
{
    QTest::addColumn<QString>("sum"); // "right": P(A >= a); "two-sided": the extended sum
    QTest::addColumn<int>("s");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("a");
    QTest::addColumn<long double>("exact"); // from exact integer sums
    QTest::newRow("right, 45 1 2 89")
        << "right" << 137 << 46 << 47 << 45 << 1.444563926802527584160e-32L;
    QTest::newRow("right, 312 160 153 287")
        << "right" << 912 << 472 << 465 << 312 << 1.433457952509594246569e-21L;
    QTest::newRow("right, near the extended floor")
        << "right" << 20000 << 10000 << 10000 << 9716 << 1.168856262941360602026e-4900L;
    QTest::newRow("right, middle")
        << "right" << 20000 << 10000 << 10000 << 5000 << 5.056416842683510816403e-1L;
    QTest::newRow("two-sided, 312 160 153 287")
        << "two-sided" << 912 << 472 << 465 << 312 << 2.355892210408496408358e-21L;
    QTest::newRow("two-sided, below the double range")
        << "two-sided" << 4000 << 2000 << 2000 << 0 << 1.202719679919794170158e-1202L;
    QTest::newRow("two-sided, near the extended floor")
        << "two-sided" << 20000 << 10000 << 10000 << 9716 << 2.337712525882721204053e-4900L;
    // Every table: the rounded sum of all would come out one unit above 1.
    QTest::newRow("two-sided, 1 3 1 1") << "two-sided" << 6 << 4 << 2 << 1 << 1.0L;
}

void TestFisher::farTails()
{
    QFETCH(QString, sum);
    QFETCH(int, s);
    QFETCH(int, m);
    QFETCH(int, k);
    QFETCH(int, a);
    QFETCH(long double, exact);
    QCOMPARE(ComputeDistribution(dist, s, m, k), 0);
    const bool right = sum == "right";
    const long double got =
        right ? dist.Right(a - dist.aMin) : TwoSidedExtended(dist, a - dist.aMin);
    // QString::asprintf would pass the values through double, which ends near 1e-308.
    char message[80];
    std::snprintf(message, sizeof message, "%.20Lg vs %.20Lg", got, exact);
    QVERIFY2(std::fabs(got - exact) <= (right ? 1e-14L : 1e-15L) * exact, message);
    if (!right)
        QVERIFY2(got <= 1.0L, message);
}

void TestFisher::driverOrder_data()
{
    QTest::addColumn<int>("s");
    QTest::addColumn<bool>("reportSucceeds");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("success") << 16 << true << QStringList{"busy", "report", "chart", "idle"};
    QTest::newRow("refusal") << 0 << true << QStringList{"busy", "box:Ошибка", "idle"};
    QTest::newRow("report fails") << 16 << false << QStringList{"busy", "report", "idle"};
}

void TestFisher::driverOrder()
{
    QFETCH(int, s);
    QFETCH(bool, reportSucceeds);
    TJournal journal;
    TCountingCursor cursor;
    TRecordingMessageBox messages;
    // A window that takes no line fails the report.
    TRecordingSink sink(reportSucceeds ? MaxReportChars : 0);
    const TInputTable margins;
    TRecordingViews views(sink, dist, margins);
    cursor.journal = messages.journal = views.journal = &journal;
    RunComputation(dist, s, s ? 10 : 0, s ? 9 : 0, cursor, messages, views);
    QStringList events;
    for (const std::string &event : journal)
        events << QString::fromStdString(event);
    QTEST(events, "events");
    if (!messages.shown.empty()) {
        QCOMPARE(messages.shown[0].caption, std::string());
        QCOMPARE(messages.shown[0].icon, TMsgIcon::Stop);
    }
}

QTEST_GUILESS_MAIN(TestFisher)
#include "tst_fisher.moc"
