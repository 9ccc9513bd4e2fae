#include "cli/UnconditionalCommand.h"
#include "core/Unconditional.h"
#include "tests/ReferenceValues.h"

#include <QtTest>

#include <cmath>
#include <string>
#include <vector>

// Expected values come from tools/reference_unconditional.py (exact rejection
// sets, the supremum on a dense grid refined by golden section in mpmath at 40
// digits), pasted as it prints them.
class TestUnconditional : public QObject {
    Q_OBJECT
private slots:
    void pValues_data();
    void pValues();
    void refusals_data();
    void refusals();
    void block();
    void batchColumns();
};

void TestUnconditional::pValues_data()
{
    QTest::addColumn<QList<int>>("cells");
    // Boschloo left, right, two-sided; Barnard left, right, two-sided
    QTest::addColumn<QStringList>("want");

    // Barnard's statistic of other tables equals the observed one exactly:
    // a floating comparison drops them (SciPy 1.10 gives 0.0598 two-sided).
    QTest::newRow("7 12 8 3") << QList<int>{7, 12, 8, 3}
                              << QStringList{"0.033480661996581902328",
                                             "0.97228426864269832312",
                                             "0.066961323993163804656",
                                             "0.048028157197088219543",
                                             "1.0",
                                             "0.067514106631278991699"};
    QTest::newRow("20 30 25 15") << QList<int>{20, 30, 25, 15}
                                 << QStringList{"0.018089403137978746875",
                                                "0.98445507710453990578",
                                                "0.036178806275957493749",
                                                "0.020142542498073717642",
                                                "1.0",
                                                "0.03593255354358530492"};
    QTest::newRow("a smallest") << QList<int>{0, 5, 3, 4}
                                << QStringList{
                                       "0.090069848223575803853", "1.0", "0.18013969644715160771",
                                       "0.07199372173779473986",  "1.0", "0.12890625"};
    QTest::newRow("1 0 0 1") << QList<int>{1, 0, 0, 1}
                             << QStringList{"1.0", "0.25", "0.5", "1.0", "0.25", "0.5"};
    QTest::newRow("12 3 4 14") << QList<int>{12, 3, 4, 14}
                               << QStringList{
                                      "0.99956336962818218691",    "0.00048805470533358569142",
                                      "0.00097610941066717138285", "1.0",
                                      "0.00048133556330137476225", "0.0009626031387597322464"};
    QTest::newRow("far tail")
        << QList<int>{40, 10, 5, 45}
        << QStringList{"1.0", "1.0146935700274032047e-13", "2.0293871400548064094e-13",
                       "1.0", "9.4277711358249501784e-14", "1.8855542271649900357e-13"};
    // Two maxima of the same height, one on each side of pi = 1/2.
    QTest::newRow("3 3 3 3") << QList<int>{3, 3, 3, 3}
                             << QStringList{"0.48486328125", "0.48486328125", "0.9697265625",
                                            "1.0",           "1.0",           "1.0"};
    QTest::newRow("60 40 45 55") << QList<int>{60, 40, 45, 55}
                                 << QStringList{
                                        "0.98360957702707525126",  "0.018631748074016006159",
                                        "0.037263496148032012317", "1.0",
                                        "0.01863174823434622766",  "0.037263496468692455321"};
    QTest::newRow("100 0 99 1") << QList<int>{100, 0, 99, 1}
                                << QStringList{
                                       "1.0", "0.47182576049537178888", "0.94365152099074357775",
                                       "1.0", "0.26455042543922313956", "0.52910085087844627911"};
    // Boschloo's left p near 0.9 over a wide stretch of pi.
    QTest::newRow("90 10 85 15") << QList<int>{90, 10, 85, 15}
                                 << QStringList{"0.88344491403479230038", "0.17050478374037374213",
                                                "0.34100956748074748426", "1.0",
                                                "0.14836568337447091209", "0.29673136674894182418"};
    // One sample only: nothing to compare.
    QTest::newRow("empty first row")
        << QList<int>{0, 0, 3, 4} << QStringList{"1.0", "1.0", "1.0", "1.0", "1.0", "1.0"};
}

void TestUnconditional::pValues()
{
    QFETCH(QList<int>, cells);
    QFETCH(QStringList, want);
    TUnconditionalTests r;
    QCOMPARE(ComputeUnconditionalTests(cells[0], cells[1], cells[2], cells[3], r), 0);
    const long double got[] = {r.boschlooLeft, r.boschlooRight, r.boschlooTwoSided,
                               r.barnardLeft,  r.barnardRight,  r.barnardTwoSided};
    const char *const names[] = {"Boschloo left", "Boschloo right", "Boschloo two-sided",
                                 "Barnard left",  "Barnard right",  "Barnard two-sided"};
    for (int i = 0; i < 6; ++i) {
        const long double w = ParseReference(want[i]);
        // The promise is 1e-9; the searches stop within 1e-13.
        QVERIFY2(std::fabs(got[i] - w) <= 1e-11L * w,
                 (QByteArray(names[i]) + " expected " + want[i].toLatin1() + " got " +
                  QByteArray::number(double(got[i]), 'g', 17))
                     .constData());
    }
}

void TestUnconditional::refusals_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<int>("code");
    QTest::newRow("total 2000") << QList<int>{1000, 0, 0, 1000} << 0;
    QTest::newRow("total 2001") << QList<int>{1000, 0, 0, 1001} << 2;
    QTest::newRow("negative cell") << QList<int>{1, -1, 2, 3} << 1;
}

void TestUnconditional::refusals()
{
    QFETCH(QList<int>, cells);
    QFETCH(int, code);
    TUnconditionalTests r;
    r.barnardLeft = -1.0L;
    QCOMPARE(ComputeUnconditionalTests(cells[0], cells[1], cells[2], cells[3], r), code);
    // A refusal leaves the result as it was.
    QCOMPARE(r.barnardLeft == -1.0L, code != 0);
}

void TestUnconditional::block()
{
    const std::vector<std::string> lines = UnconditionalBlockLines(7, 12, 8, 3);
    const std::vector<std::string> want = {
        "", "          Безусловные точные критерии",
        "  Строки - две независимые выборки фиксированных объемов: a из m = a + b и c из n = c + d",
        "  Критерий Бошлоо (статистика - односторонняя вероятность Фишера): левая 0.033480662, "
        "правая 0.972284269, 2-х сторонняя 0.066961324",
        "  Критерий Барнарда (статистика Вальда с общей долей): левая 0.048028157, правая "
        "1.000000000, 2-х сторонняя 0.067514107"};
    QCOMPARE(lines, want);
    const std::vector<std::string> refused = UnconditionalBlockLines(1000, 0, 0, 1001);
    QCOMPARE(refused.size(), size_t(3));
    QCOMPARE(refused[2], std::string("  Не вычисляются: общая сумма больше 2000 (поиск точной "
                                     "верхней грани по общей доле занял бы слишком много "
                                     "времени)"));
}

void TestUnconditional::batchColumns()
{
    const TUnconditionalColumns refused = UnconditionalBatchColumns(1000, 0, 0, 1001);
    QCOMPARE(refused.fields, std::string(",,,,,"));
    QVERIFY(refused.refusal != nullptr);
    QCOMPARE(std::string(refused.refusal), std::string(UnconditionalTotalRefused));
    // Cells too large for 32 bits are refused, not wrapped.
    QVERIFY(UnconditionalBatchColumns(4294967296, 0, 0, 1).refusal != nullptr);
    // 2^-2000 and 2^-1999: the observed table alone, at pi = 1/2.
    const TUnconditionalColumns far = UnconditionalBatchColumns(1000, 0, 0, 1000);
    QVERIFY(far.refusal == nullptr);
    QCOMPARE(far.fields, std::string("1,8.7098098162172167e-603,1.7419619632434433e-602,1,"
                                     "8.7098098162172167e-603,1.7419619632434433e-602"));
}

QTEST_GUILESS_MAIN(TestUnconditional)
#include "tst_unconditional.moc"
