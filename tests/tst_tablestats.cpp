#include "core/TableStatistics.h"
#include "tests/ReferenceValues.h"

#include <QtTest>

// Expected values come from tools/reference_stats.py (exact integers, mpmath
// with 50 digits), pasted as it prints them.
class TestTableStats : public QObject {
    Q_OBJECT
private slots:
    void againstReference_data();
    void againstReference();
};

void TestTableStats::againstReference_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<double>("level");
    // sample, conditional estimate, lower and upper bound
    QTest::addColumn<QStringList>("ratios");
    // no more probable, mid-p left, right and two-sided
    QTest::addColumn<QStringList>("probabilities");

    QTest::newRow("8 2 1 5") << QList<int>{8, 2, 1, 5} << 0.95
                             << QStringList{"20.0", "15.465819716920985834", "1.008849207947690187",
                                            "1059.6394950862816655"}
                             << QStringList{"0.034965034965034965035", "0.98732517482517482517",
                                            "0.012674825174825174825", "0.02534965034965034965"};
    QTest::newRow("a smallest") << QList<int>{0, 5, 6, 4} << 0.95
                                << QStringList{"0.0", "0.0", "0.0", "1.2787375244879910295"}
                                << QStringList{"0.043956043956043956044", "0.020979020979020979021",
                                               "0.97902097902097902098", "0.041958041958041958042"};
    QTest::newRow("a largest, zero cell")
        << QList<int>{7, 0, 3, 9} << 0.95
        << QStringList{"inf", "inf", "2.2879795665919723961", "inf"}
        << QStringList{"0.0030959752321981424149", "0.99880924029530840676",
                       "0.0011907597046915932365", "0.002381519409383186473"};
    QTest::newRow("one below the largest")
        << QList<int>{45, 1, 2, 89} << 0.95
        << QStringList{"2002.5", "1457.7592774754070645", "152.0721781399007757",
                       "81394.679657781439877"}
        << QStringList{"1.4445639268025275842e-32", "1.0", "7.2263072340290612129e-33",
                       "1.4452614468058122426e-32"};
    // P(0) = P(2) = 0.2: a tie the rounding of the products must not split.
    QTest::newRow("tie with the far end, a smallest")
        << QList<int>{0, 2, 3, 1} << 0.95
        << QStringList{"0.0", "0.0", "0.0", "4.9226162893325645101"}
        << QStringList{"0.4", "0.1", "0.9", "0.2"};
    QTest::newRow("tie with the far end, a largest")
        << QList<int>{2, 0, 1, 3} << 0.95
        << QStringList{"inf", "inf", "0.20314400741878370539", "inf"}
        << QStringList{"0.4", "0.9", "0.1", "0.2"};
    QTest::newRow("single value, empty row")
        << QList<int>{0, 0, 0, 5} << 0.95 << QStringList{"undef", "undef", "0.0", "inf"}
        << QStringList{"1.0", "0.5", "0.5", "1.0"};
    QTest::newRow("single value, one cell")
        << QList<int>{3, 0, 0, 0} << 0.95 << QStringList{"undef", "undef", "0.0", "inf"}
        << QStringList{"1.0", "0.5", "0.5", "1.0"};
    QTest::newRow("level 0.99") << QList<int>{20, 15, 8, 30} << 0.99
                                << QStringList{"5.0", "4.880302438200523769",
                                               "1.1980889834518620504", "23.101273448444429758"}
                                << QStringList{"0.0019116902122755026535", "0.99907621742757557335",
                                               "0.00092378257242442664929",
                                               "0.0018475651448488532986"};
    QTest::newRow("largest, one above the smallest")
        << QList<int>{1, 9999, 9999, 1} << 0.95
        << QStringList{"1.0002000300040005001e-8", "1.6700296847418555981e-8",
                       "2.5478312124059713116e-10", "1.8726964129874716584e-7"}
        << QStringList{"8.906295192730238352e-6011", "2.2265738204482973472e-6011", "1.0",
                       "4.4531476408965946943e-6011"};
    QTest::newRow("largest, a smallest")
        << QList<int>{0, 10000, 10000, 0} << 0.95
        << QStringList{"0.0", "0.0", "0.0", "7.3667682605097570516e-8"}
        << QStringList{"8.9062951036672873153e-6019", "2.2265737759168218288e-6019", "1.0",
                       "4.4531475518336436577e-6019"};
    QTest::newRow("largest balanced")
        << QList<int>{5050, 4950, 4950, 5050} << 0.95
        << QStringList{"1.0408121620242832364", "1.0408100801938579757", "0.98428961289588003345",
                       "1.1005803913037760261"}
        << QStringList{"0.16149025380458434829", "0.92133050571094861333",
                       "0.078669494289051386665", "0.15733898857810277333"};
    QTest::newRow("largest skewed")
        << QList<int>{9000, 1000, 3000, 7000} << 0.95
        << QStringList{"21.0", "20.995800493887830981", "19.409885368942360556",
                       "22.726517289100273264"}
        << QStringList{"4.8727415718617080957e-1783", "1.0", "1.2761748932994621791e-1783",
                       "2.5523497865989243583e-1783"};
}

void TestTableStats::againstReference()
{
    QFETCH(QList<int>, cells);
    QFETCH(double, level);
    QFETCH(QStringList, ratios);
    QFETCH(QStringList, probabilities);
    const int a = cells[0], b = cells[1], c = cells[2], d = cells[3];
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, a + b + c + d, a + b, a + c), 0);
    const TTableStatistics r = ComputeTableStatistics(dist, a, b, c, d, level);
    CheckRatio(r.sample, ratios[0], "sample");
    CheckRatio(r.estimate, ratios[1], "estimate");
    CheckRatio(r.lower, ratios[2], "lower");
    CheckRatio(r.upper, ratios[3], "upper");
    CheckProbability(r.minLikelihood, probabilities[0], "no more probable");
    CheckProbability(r.midPLeft, probabilities[1], "mid-p left");
    CheckProbability(r.midPRight, probabilities[2], "mid-p right");
    CheckProbability(r.midPTwoSided, probabilities[3], "mid-p two-sided");
}

QTEST_GUILESS_MAIN(TestTableStats)
#include "tst_tablestats.moc"
