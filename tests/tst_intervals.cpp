#include "core/ExactIntervals.h"
#include "core/LargeTable.h"
#include "core/RiskMeasures.h"
#include "tests/ReferenceValues.h"

#include <QtTest>

#include <cmath>
#include <cstdlib>

// Expected values come from tools/reference_intervals.py (exact fractions,
// mpmath with 50 digits), pasted as it prints them.
class TestIntervals : public QObject {
    Q_OBJECT
private slots:
    void rules_data();
    void rules();
    void largeTables_data();
    void largeTables();
    void risks_data();
    void risks();
    void levels_data();
    void levels();
    void normalQuantile_data();
    void normalQuantile();
};

namespace {

void CheckRisk(const TRiskValue &got, const QString &want, const char *name, bool absolute = false)
{
    CheckValue(int(got.kind), got.value, want, absolute ? 1e-12L : 1e-9L, absolute, name);
}

// A rule rejects 1 exactly when its interval leaves 1 out.
void CheckAgreement(long double p, const TOddsRatio &low, const TOddsRatio &high, long double alpha,
                    const char *name)
{
    const bool holdsOne =
        low.value <= 1.0 && (high.kind == TOddsRatio::Infinite || high.value >= 1.0);
    QVERIFY2((p > alpha) == holdsOne, name);
}

// Each rule's p and bounds, and each p below alpha exactly when its interval leaves 1 out.
void CheckRules(const TRuleIntervals &r, const QStringList &central, const QStringList &minlike,
                const QStringList &blaker, double level)
{
    CheckProbability(r.centralP, central[0], "central p");
    CheckRatio(r.centralLow, central[1], "central lower");
    CheckRatio(r.centralHigh, central[2], "central upper");
    CheckProbability(r.minlikeP, minlike[0], "no more probable p");
    CheckRatio(r.minlikeLow, minlike[1], "no more probable lower");
    CheckRatio(r.minlikeHigh, minlike[2], "no more probable upper");
    CheckProbability(r.blakerP, blaker[0], "Blaker p");
    CheckRatio(r.blakerLow, blaker[1], "Blaker lower");
    CheckRatio(r.blakerHigh, blaker[2], "Blaker upper");
    const long double alpha = 1.0L - level;
    CheckAgreement(r.centralP, r.centralLow, r.centralHigh, alpha, "central");
    CheckAgreement(r.minlikeP, r.minlikeLow, r.minlikeHigh, alpha, "no more probable");
    CheckAgreement(r.blakerP, r.blakerLow, r.blakerHigh, alpha, "Blaker");
}

} // namespace

void TestIntervals::rules_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<double>("level");
    // p, lower and upper bound of each rule
    QTest::addColumn<QStringList>("central");
    QTest::addColumn<QStringList>("minlike");
    QTest::addColumn<QStringList>("blaker");

    QTest::newRow("6 12 12 5") << QList<int>{6, 12, 12, 5} << 0.95
                               << QStringList{"0.060587644131322207395", "0.038879409269294533688",
                                              "1.0564918005739832949"}
                               << QStringList{"0.043710168376222445962", "0.043552202154982327054",
                                              "0.91701767161345182716"}
                               << QStringList{"0.043710168376222445962", "0.042285448699825786445",
                                              "0.91701767161345182716"};
    QTest::newRow("2 4 11 2") << QList<int>{2, 4, 11, 2} << 0.95
                              << QStringList{"0.092068406309892378004", "0.0055251142746750900584",
                                             "1.3062816015361910674"}
                              << QStringList{"0.046034203154946189002", "0.0084661711661302753287",
                                             "0.96233587442228269136"}
                              << QStringList{"0.046034203154946189002", "0.0084661711661302753288",
                                             "0.96233587442228269136"};
    QTest::newRow("8 2 1 5")
        << QList<int>{8, 2, 1, 5} << 0.95
        << QStringList{"0.048951048951048951049", "1.008849207947690187", "1059.6394950862816655"}
        << QStringList{"0.034965034965034965035", "1.3050540327281433093", "519.61144833843488049"}
        << QStringList{"0.034965034965034965035", "1.3050540327281433093", "519.61144833843488049"};
    QTest::newRow("a smallest")
        << QList<int>{0, 5, 6, 4} << 0.95
        << QStringList{"0.083916083916083916084", "0.0", "1.2787375244879910295"}
        << QStringList{"0.043956043956043956044", "0.0", "0.98289970565866172268"}
        << QStringList{"0.043956043956043956044", "0.0", "0.97255626836985231233"};
    QTest::newRow("a largest, zero cell")
        << QList<int>{7, 0, 3, 9} << 0.95
        << QStringList{"0.0047630388187663729459", "2.2879795665919723961", "inf"}
        << QStringList{"0.0030959752321981424149", "2.747292040608521002", "inf"}
        << QStringList{"0.0030959752321981424149", "2.747292040608521002", "inf"};
    QTest::newRow("empty first row")
        << QList<int>{0, 0, 3, 4} << 0.95 << QStringList{"1.0", "0.0", "inf"}
        << QStringList{"1.0", "0.0", "inf"} << QStringList{"1.0", "0.0", "inf"};
    QTest::newRow("level 0.99") << QList<int>{20, 15, 8, 30} << 0.99
                                << QStringList{"0.0031434972056560051481", "1.1980889834518620504",
                                               "23.101273448444429758"}
                                << QStringList{"0.0019116902122755026535", "1.2845425605622330272",
                                               "19.925756606948044955"}
                                << QStringList{"0.0019116902122755026535", "1.2859087580983058039",
                                               "20.343455389031808971"};
    QTest::newRow("single cell") << QList<int>{0, 0, 0, 5} << 0.95
                                 << QStringList{"1.0", "0.0", "inf"}
                                 << QStringList{"1.0", "0.0", "inf"}
                                 << QStringList{"1.0", "0.0", "inf"};
    QTest::newRow("one below the largest")
        << QList<int>{45, 1, 2, 89} << 0.95
        << QStringList{"2.8891278536050551683e-32", "152.0721781399007757", "81394.679657781439877"}
        << QStringList{"1.4445639268025275842e-32", "170.0130969470077505", "39991.775682159969505"}
        << QStringList{"1.4445639268025275842e-32", "175.56504859300669167",
                       "39991.775682159969505"};
    QTest::newRow("large") << QList<int>{300, 200, 250, 260} << 0.95
                           << QStringList{"0.00057403541992942368108", "1.2063264897604065307",
                                          "2.01758770545475876"}
                           << QStringList{"0.00050817575098994795708", "1.2124296154229412409",
                                          "2.0080653296479900035"}
                           << QStringList{"0.00050817575098994795708", "1.2124296154229412409",
                                          "2.0089348006917460107"};
    QTest::newRow("largest balanced")
        << QList<int>{5000, 5000, 5000, 5000} << 0.95
        << QStringList{"1.0", "0.94569651063822230616", "1.0574216873499193648"}
        << QStringList{"1.0", "0.94591591107678982201", "1.0571764237073073302"}
        << QStringList{"1.0", "0.94591420590549605442", "1.0571783294476788134"};
}

void TestIntervals::rules()
{
    QFETCH(QList<int>, cells);
    QFETCH(double, level);
    QFETCH(QStringList, central);
    QFETCH(QStringList, minlike);
    QFETCH(QStringList, blaker);
    const int a = cells[0], b = cells[1], c = cells[2], d = cells[3];
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, a + b + c + d, a + b, a + c), 0);
    // The batch's path for tables of any size gives the same values.
    TLargeTable large;
    QVERIFY(ComputeLargeTable(a, b, c, d, level, large));
    for (const TRuleIntervals &r : {ComputeRuleIntervals(dist, a, b, c, d, level), large.rules}) {
        CheckRules(r, central, minlike, blaker, level);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestIntervals::largeTables_data()
{
    // From tools/reference_large.py (log-gamma and the noncentral weights at 40 digits).
    QTest::addColumn<QList<int>>("cells");
    // point, two-sided, left, right, no more probable, central, Blaker
    QTest::addColumn<QStringList>("probabilities");
    // conditional estimate, exact interval
    QTest::addColumn<QStringList>("ratios");
    QTest::newRow("skewed margins")
        << QList<int>{2, 1000000, 9, 800000}
        << QStringList{"0.011486423487524935857", "0.015013775031782135364",
                       "0.013457909040230698131", "0.99802851444729423773",
                       "0.015013775031782135364", "0.026915818080461396262",
                       "0.015013775031782135364"}
        << QStringList{"0.17777792727219971846", "0.018691677923578456749",
                       "0.85891489269736002709"};
    QTest::newRow("balanced, far tail")
        << QList<int>{20000, 20000, 19000, 21000}
        << QStringList{"7.7008935720956992046e-14", "1.5881416946124623785e-12",
                       "0.99999999999928293809",    "7.9407084730623118926e-13",
                       "1.5881416946124623785e-12", "1.5881416946124623785e-12",
                       "1.5881416946124623785e-12"}
        << QStringList{"1.1052617745875200468", "1.0749220764035347867", "1.1364605519961768152"};
    QTest::newRow("a smallest") << QList<int>{0, 30000, 12, 25000}
                                << QStringList{"0.000077923193226728973752",
                                               "0.000077923193226728973752",
                                               "0.000077923193226728973752",
                                               "1.0",
                                               "0.000077923193226728973752",
                                               "0.0001558463864534579475",
                                               "0.000077923193226728973752"}
                                << QStringList{"0", "0", "0.29995552399151133065"};
    QTest::newRow("total near 2^31")
        << QList<int>{3, 2100000000, 4, 40000000}
        << QStringList{"4.0371007197029602135e-6", "4.0835327522813306353e-6",
                       "4.0835327522813306353e-6", "0.99999995356796742163",
                       "4.0835327522813306353e-6", "8.1670655045626612705e-6",
                       "4.0835327522813306353e-6"}
        << QStringList{"0.014285714486880458901", "0.0020926375741538929296",
                       "0.084443049658399206873"};
    QTest::newRow("one feasible table")
        << QList<int>{2147483647, 0, 0, 0} << QStringList{"1", "1", "1", "1", "1", "1", "1"}
        << QStringList{"undef", "0", "inf"};
    QTest::newRow("total 2^31: refused")
        << QList<int>{2147483647, 1, 0, 0} << QStringList{} << QStringList{};
}

void TestIntervals::largeTables()
{
    QFETCH(QList<int>, cells);
    QFETCH(QStringList, probabilities);
    QFETCH(QStringList, ratios);
    TLargeTable t;
    const bool computed = ComputeLargeTable(cells[0], cells[1], cells[2], cells[3], 0.95L, t);
    QCOMPARE(computed, !probabilities.isEmpty());
    if (!computed)
        return;
    CheckProbability(t.point, probabilities[0], "point");
    CheckProbability(t.twoSided, probabilities[1], "two-sided");
    CheckProbability(t.left, probabilities[2], "left");
    CheckProbability(t.right, probabilities[3], "right");
    CheckProbability(t.stats.minLikelihood, probabilities[4], "no more probable p");
    CheckProbability(t.rules.centralP, probabilities[5], "central p");
    CheckProbability(t.rules.blakerP, probabilities[6], "Blaker p");
    CheckRatio(t.stats.estimate, ratios[0], "estimate");
    CheckRatio(t.stats.lower, ratios[1], "lower");
    CheckRatio(t.stats.upper, ratios[2], "upper");
    const long double alpha = 0.05L;
    CheckAgreement(t.rules.minlikeP, t.rules.minlikeLow, t.rules.minlikeHigh, alpha,
                   "no more probable");
    CheckAgreement(t.rules.blakerP, t.rules.blakerLow, t.rules.blakerHigh, alpha, "Blaker");
}

void TestIntervals::risks_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<double>("level");
    // estimate, lower and upper bound
    QTest::addColumn<QStringList>("difference");
    QTest::addColumn<QStringList>("ratio");
    // kind, estimate, the two ends
    QTest::addColumn<QStringList>("needed");

    QTest::newRow("6 12 12 5") << QList<int>{6, 12, 12, 5} << 0.95
                               << QStringList{"-0.37254901960784313725", "-0.63255958300364642069",
                                              "-0.036672801163979662822"}
                               << QStringList{"0.47222222222222222222", "0.21768872422605216477",
                                              "0.9313777694676124872"}
                               << QStringList{"bounded", "2.6842105263157894737",
                                              "1.5808787454481350432", "27.268165186743588713"};
    QTest::newRow("2 4 11 2") << QList<int>{2, 4, 11, 2} << 0.95
                              << QStringList{"-0.51282051282051282051", "-0.81110599810102623073",
                                             "-0.047726145072390363856"}
                              << QStringList{"0.39393939393939393939", "0.10912182757694618151",
                                             "0.92932280038396363993"}
                              << QStringList{"bounded", "1.95", "1.2328844840763294758",
                                             "20.952876007128036049"};
    QTest::newRow("8 2 1 5") << QList<int>{8, 2, 1, 5} << 0.95
                             << QStringList{"0.63333333333333333333", "0.11563120491540774988",
                                            "0.87641800598588362321"}
                             << QStringList{"4.8", "1.2330917957877189917", "28.342406093186679675"}
                             << QStringList{"bounded", "1.5789473684210526316",
                                            "1.1410080500058860036", "8.6481845513204622458"};
    QTest::newRow("a smallest") << QList<int>{0, 5, 6, 4} << 0.95
                                << QStringList{"-0.6", "-0.83697862047720612753",
                                               "-0.064350639744943501648"}
                                << QStringList{"0.0", "0.0", "0.86162662391102603605"}
                                << QStringList{"bounded", "1.6666666666666666667",
                                               "1.1947736483756857421", "15.539861048212458242"};
    QTest::newRow("a largest, zero cell")
        << QList<int>{7, 0, 3, 9} << 0.95
        << QStringList{"0.75", "0.31325598056552352991", "0.9134477714481963633"}
        << QStringList{"4.0", "1.8021989863839385242", "11.553717526770271602"}
        << QStringList{"bounded", "1.3333333333333333333", "1.0947533414139072147",
                       "3.1922774409436397452"};
    QTest::newRow("empty first row")
        << QList<int>{0, 0, 3, 4} << 0.95 << QStringList{"undef", "undef", "undef"}
        << QStringList{"undef", "undef", "undef"}
        << QStringList{"undef", "undef", "undef", "undef"};
    QTest::newRow("level 0.99") << QList<int>{20, 15, 8, 30} << 0.99
                                << QStringList{"0.36090225563909774436", "0.066457413154513134699",
                                               "0.60116065367915909256"}
                                << QStringList{"2.7142857142857142857", "1.1823553067939278613",
                                               "6.7514945117413425496"}
                                << QStringList{"bounded", "2.7708333333333333333",
                                               "1.6634488532805782056", "15.047230286785392622"};
    QTest::newRow("both proportions 1")
        << QList<int>{3, 0, 4, 0} << 0.95
        << QStringList{"0.0", "-0.59902171764512835514", "0.52839653880150009042"}
        << QStringList{"1.0", "0.40097828235487164486", "2.1204254893691200712"}
        << QStringList{"infinity", "inf", "1.6693885556123002917", "1.8925180741497337222"};
    QTest::newRow("both proportions 0")
        << QList<int>{0, 7, 0, 5} << 0.95
        << QStringList{"0.0", "-0.45597075280459261102", "0.37447960891366082362"}
        << QStringList{"undef", "undef", "undef"}
        << QStringList{"infinity", "inf", "2.1931231199571093162", "2.6703723679399530426"};
    QTest::newRow("difference 1") << QList<int>{1, 0, 0, 1} << 0.95
                                  << QStringList{"1.0", "-0.58690137124552522406", "1.0"}
                                  << QStringList{"inf", "0.26031777162700566898", "inf"}
                                  << QStringList{"infinity", "1.0", "1.7038637989170048454", "1.0"};
    QTest::newRow("largest balanced")
        << QList<int>{5000, 5000, 5000, 5000} << 0.95
        << QStringList{"0.0", "-0.013858053851225583483", "0.013858053851225583483"}
        << QStringList{"1.0", "0.97266014610466911969", "1.0281083315738000907"}
        << QStringList{"infinity", "inf", "72.160204508915344217", "72.160204508915344217"};
    // Cells near 2^31: a difference of 1e-9 whose interval's ends the NNT inverts,
    // and both proportions within 3e-9 of 1.
    QTest::newRow("large cells, small counts")
        << QList<int>{1, 500000000, 2, 500000000} << 0.95
        << QStringList{"-1.999999988000000056e-9", "-1.2774132763929950915e-8",
                       "7.6371574605322597685e-9"}
        << QStringList{"0.500000000999999998", "0.065520955894314035349", "3.8155731598681803762"}
        << QStringList{"infinity", "5.00000003000000004e+8", "78283200.783984247825",
                       "1.3093876945288313604e+8"};
    QTest::newRow("large cells, proportions near 1")
        << QList<int>{400000000, 1, 400000000, 2} << 0.95
        << QStringList{"2.4999999812500001094e-9", "-9.5464468020308265115e-9",
                       "1.5967665904995711641e-8"}
        << QStringList{"1.0000000024999999937", "0.99999999045355315667", "1.0000000159676661937"}
        << QStringList{"infinity", "4.00000003000000005e+8", "1.0475101582164254662e+8",
                       "62626560.822965099806"};
}

void TestIntervals::risks()
{
    QFETCH(QList<int>, cells);
    QFETCH(double, level);
    QFETCH(QStringList, difference);
    QFETCH(QStringList, ratio);
    QFETCH(QStringList, needed);
    const TRiskMeasures r = ComputeRiskMeasures(cells[0], cells[1], cells[2], cells[3], level);
    CheckRisk(r.rd, difference[0], "difference", true);
    CheckRisk(r.rdLow, difference[1], "difference lower", true);
    CheckRisk(r.rdHigh, difference[2], "difference upper", true);
    CheckRisk(r.rr, ratio[0], "ratio");
    CheckRisk(r.rrLow, ratio[1], "ratio lower");
    CheckRisk(r.rrHigh, ratio[2], "ratio upper");
    const TNumberNeeded::TKind kind = needed[0] == "bounded"    ? TNumberNeeded::Bounded
                                      : needed[0] == "infinity" ? TNumberNeeded::ThroughInfinity
                                                                : TNumberNeeded::Undefined;
    QCOMPARE(r.nnt.kind, kind);
    CheckRisk(r.nnt.value, needed[1], "NNT");
    CheckRisk(r.nnt.low, needed[2], "NNT low");
    CheckRisk(r.nnt.high, needed[3], "NNT high");
}

void TestIntervals::levels_data()
{
    QTest::addColumn<double>("level");
    QTest::addColumn<bool>("minlikeDefined");
    QTest::addColumn<bool>("blakerDefined");
    QTest::newRow("0") << 0.0 << false << false;
    QTest::newRow("1") << 1.0 << false << false;
    QTest::newRow("NaN") << std::nan("") << false << false;
    QTest::newRow("1/2: alpha too large for Blaker's search") << 0.5 << true << false;
    QTest::newRow("just above 1/2") << 0.5000001 << true << true;
}

void TestIntervals::levels()
{
    QFETCH(double, level);
    QFETCH(bool, minlikeDefined);
    QFETCH(bool, blakerDefined);
    TFisherDistribution dist;
    QCOMPARE(ComputeDistribution(dist, 35, 18, 18), 0);
    const TRuleIntervals r = ComputeRuleIntervals(dist, 6, 12, 12, 5, level);
    CheckProbability(r.centralP, "0.060587644131322207395", "central p");
    QCOMPARE(r.minlikeLow.kind == TOddsRatio::Finite, minlikeDefined);
    QCOMPARE(r.minlikeHigh.kind == TOddsRatio::Finite, minlikeDefined);
    QCOMPARE(r.blakerLow.kind == TOddsRatio::Finite, blakerDefined);
    QCOMPARE(r.blakerHigh.kind == TOddsRatio::Finite, blakerDefined);
    const TRiskMeasures k = ComputeRiskMeasures(6, 12, 12, 5, level);
    QCOMPARE(k.rd.kind, TRiskValue::Finite);
    QCOMPARE(k.rdLow.kind == TRiskValue::Finite, minlikeDefined);
    QCOMPARE(k.rrHigh.kind == TRiskValue::Finite, minlikeDefined);
}

void TestIntervals::normalQuantile_data()
{
    // Phi^-1(p) from mpmath: sqrt(2) erfinv(2p - 1), 22 digits.
    QTest::addColumn<QString>("p");
    QTest::addColumn<QString>("quantile");
    QTest::newRow("0.975") << "0.975"
                           << "1.959963984540054235525";
    QTest::newRow("0.995") << "0.995"
                           << "2.575829303548900760979";
    QTest::newRow("0.1") << "0.1"
                         << "-1.281551565544600466965";
    QTest::newRow("1e-10") << "1e-10"
                           << "-6.361340902404056204695";
    QTest::newRow("5e-7") << "5e-7"
                          << "-4.891638475698590386231";
}

void TestIntervals::normalQuantile()
{
    QFETCH(QString, p);
    QFETCH(QString, quantile);
    const long double want = ParseReference(quantile), got = NormalQuantileExact(ParseReference(p));
    QVERIFY2(std::fabs(got - want) <= 1e-17L * std::fabs(want),
             QByteArray::number(double(got), 'g', 20));
}

QTEST_GUILESS_MAIN(TestIntervals)
#include "tst_intervals.moc"
