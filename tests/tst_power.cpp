#include "cli/PowerCommand.h"
#include "core/Power.h"
#include "tests/ReferenceValues.h"

#include <QtTest>

#include <cmath>
#include <cstdio>
#include <memory>

// Expected values come from tools/reference_power.py (exact integers and
// fractions; its `table` mode prints these rows).
class TestPower : public QObject {
    Q_OBJECT
private slots:
    void power_data();
    void power();
    void sampleSize_data();
    void sampleSize();
    void commandLine_data();
    void commandLine();
};

namespace {

TPowerTest Test(const QString &alpha, const QString &criterion, const QString &rule)
{
    TPowerTest t;
    t.alpha = ParseReference(alpha);
    t.criterion = criterion == "left"    ? TPowerCriterion::Left
                  : criterion == "right" ? TPowerCriterion::Right
                                         : TPowerCriterion::TwoSided;
    t.rule = rule == "minlike"   ? TPowerRule::MinLikelihood
             : rule == "central" ? TPowerRule::Central
                                 : TPowerRule::Velmar;
    return t;
}

void CheckAbsolute(long double got, const QString &want, const char *name)
{
    const long double error = std::fabs(got - ParseReference(want));
    QVERIFY2(error <= 1e-12L, (QByteArray(name) + " expected " + want.toLatin1() + " got " +
                               QByteArray::number(double(got), 'g', 17))
                                  .constData());
}

using TFile = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

QString ReadBack(std::FILE *file)
{
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, qsizetype(got));
    return QString::fromUtf8(bytes);
}

} // namespace

void TestPower::power_data()
{
    QTest::addColumn<QStringList>("input"); // p1 p2 alpha criterion rule
    QTest::addColumn<int>("n1");
    QTest::addColumn<int>("n2");
    QTest::addColumn<QString>("power");
    QTest::addColumn<QString>("size");

    const struct {
        const char *name;
        QStringList input;
        int n1, n2;
        const char *power, *size;
    } rows[] = {
        {"small, two-sided",
         {"0.2", "0.5", "0.05", "two", "velmar"},
         10,
         10,
         "1.318705022000000000000000e-1",
         "1.245185698796286642631859e-2"},
        {"small, left",
         {"0.2", "0.5", "0.05", "left", "velmar"},
         10,
         10,
         "2.539987456000000000000000e-1",
         "1.934886528487415824319450e-2"},
        {"small, right against the difference",
         {"0.2", "0.5", "0.05", "right", "velmar"},
         10,
         10,
         "2.282656000000000000000000e-4",
         "1.934886528487415824319450e-2"},
        // P(a = 0 | k = 3) = 1/20 = alpha: the tie rejects.
        {"tail equal to alpha",
         {"0.1", "0.7", "0.05", "left", "velmar"},
         3,
         3,
         "2.500470000000000000000000e-1",
         "1.382400000000000000000000e-2"},
        // Equal groups: P(a) = P(k - a), ties the rounding must not split.
        {"equal groups, no more probable",
         {"0.25", "0.6", "0.05", "two", "minlike"},
         20,
         20,
         "4.925094960650121911760048e-1",
         "2.260749650655303955698512e-2"},
        {"equal groups, no more probable, 12",
         {"0.3", "0.6", "0.05", "two", "minlike"},
         12,
         12,
         "2.106350804240905204776960e-1",
         "2.233118090494684815204106e-2"},
        {"unequal groups, alpha 0.1",
         {"0.3", "0.6", "0.1", "two", "velmar"},
         7,
         13,
         "2.734158135194903347200000e-1",
         "5.899099875786483180968122e-2"},
        {"skewed, |ad - bc|",
         {"0.1", "0.6", "0.05", "two", "velmar"},
         6,
         50,
         "6.349610053589026987539521e-1",
         "2.678242644705985190274353e-2"},
        {"skewed, no more probable",
         {"0.1", "0.6", "0.05", "two", "minlike"},
         6,
         50,
         "6.081476422107605365235266e-1",
         "2.677355364090942269809720e-2"},
        {"skewed, central",
         {"0.1", "0.6", "0.05", "two", "central"},
         6,
         50,
         "5.563427756642124843965616e-1",
         "1.745044999093002676573427e-2"},
        {"skewed, no more probable, 10 60",
         {"0.5", "0.1", "0.05", "two", "minlike"},
         10,
         60,
         "7.896286469193104596921801e-1",
         "2.284020198770741404446059e-2"},
        {"proportions 0 and 1",
         {"0", "1", "0.05", "two", "velmar"},
         4,
         4,
         "1.0",
         "7.812500000000000000000000e-3"},
        {"proportion 0, alpha 0.01",
         {"0", "0.25", "0.01", "two", "central"},
         12,
         5,
         "1.562500000000000000000000e-2",
         "5.618913939664724191295372e-5"},
        {"equal proportions",
         {"0.5", "0.5", "0.05", "two", "velmar"},
         15,
         15,
         "1.651421748101711273193359e-2",
         "1.651421748101711273193359e-2"},
        {"a group of one",
         {"0.9", "0.1", "0.2", "two", "velmar"},
         1,
         9,
         "6.973568884000000000000000e-1",
         "8.978549800608681984000000e-2"},
        {"44 per group, central",
         {"0.2", "0.5", "0.05", "two", "central"},
         44,
         44,
         "8.020895152443348847946895e-1",
         "3.053540621863280668708715e-2"},
        // Large enough that the weights far out in the tails are left out.
        {"160 130, |ad - bc|",
         {"0.35", "0.2", "0.05", "two", "velmar"},
         160,
         130,
         "7.967512263709290904509476e-1",
         "4.221671179393538479043548e-2"},
        {"160 130, no more probable, 0.01",
         {"0.35", "0.2", "0.01", "two", "minlike"},
         160,
         130,
         "5.771568975869423328887081e-1",
         "8.250743467539169854584575e-3"},
        {"160 130, right",
         {"0.35", "0.2", "0.05", "right", "velmar"},
         160,
         130,
         "8.640036835490521909070646e-1",
         "3.843856344936084365980953e-2"},
    };
    for (const auto &r : rows)
        QTest::newRow(r.name) << r.input << r.n1 << r.n2 << QString(r.power) << QString(r.size);
}

void TestPower::power()
{
    QFETCH(QStringList, input);
    QFETCH(int, n1);
    QFETCH(int, n2);
    QFETCH(QString, power);
    QFETCH(QString, size);
    const TPowerTest test = Test(input[2], input[3], input[4]);
    const long double p1 = ParseReference(input[0]), p2 = ParseReference(input[1]);
    CheckAbsolute(ExactPower(p1, p2, n1, n2, test), power, "power");
    CheckAbsolute(ExactSizeAtPooled(p1, p2, n1, n2, test), size, "size");
}

void TestPower::sampleSize_data()
{
    QTest::addColumn<QStringList>("input"); // p1 p2 target ratio alpha criterion rule
    QTest::addColumn<QList<int>>("sizes");  // n1 n2 n1Stable
    QTest::addColumn<QString>("power");
    QTest::addColumn<QString>("approx");

    QTest::newRow("0.2 0.5 80 %, central")
        << QStringList{"0.2", "0.5", "0.8", "1", "0.05", "two", "central"} << QList<int>{44, 44, 44}
        << "8.020895152443348847946895e-1"
        << "38.480042557079905";
    // 28 reaches the power, 29 falls back below it.
    QTest::newRow("saw") << QStringList{"0.2", "0.5", "0.573", "1", "0.05", "two", "central"}
                         << QList<int>{28, 28, 30} << "5.747300500734572983629749e-1"
                         << "23.036686695501221";
    QTest::newRow("ratio 2, |ad - bc|")
        << QStringList{"0.2", "0.5", "0.8", "2", "0.05", "two", "velmar"} << QList<int>{31, 62, 31}
        << "8.063204153641692987520568e-1"
        << "29.350432349411989";
    // The halving alone would stop at 35: 33 reaches the power, 34 does not.
    QTest::newRow("saw below the halving")
        << QStringList{"0.2", "0.5", "0.8113", "2", "0.05", "two", "velmar"}
        << QList<int>{33, 66, 35} << "8.142821963465006850429982e-1"
        << "30.147773357982167";
    QTest::newRow("ratio 2, no more probable")
        << QStringList{"0.2", "0.5", "0.8", "2", "0.05", "two", "minlike"} << QList<int>{31, 62, 31}
        << "8.065913072830323535651238e-1"
        << "29.350432349411989";
    QTest::newRow("ratio 2, central")
        << QStringList{"0.2", "0.5", "0.8", "2", "0.05", "two", "central"} << QList<int>{34, 68, 34}
        << "8.106167219157242783224722e-1"
        << "29.350432349411989";
    QTest::newRow("ratio 0.5, left")
        << QStringList{"0.2", "0.5", "0.9", "0.5", "0.05", "left", "velmar"}
        << QList<int>{71, 36, 71} << "9.062615509754560849551024e-1"
        << "61.188872995652936";
    // Past the first hundred: found by halving, then every N1 below tried.
    QTest::newRow("150 per group")
        << QStringList{"0.2", "0.35", "0.8", "1", "0.05", "two", "velmar"}
        << QList<int>{150, 150, 150} << "8.026843079395138833306801e-1"
        << "137.91475313555489";
}

void TestPower::sampleSize()
{
    QFETCH(QStringList, input);
    QFETCH(QList<int>, sizes);
    QFETCH(QString, power);
    QFETCH(QString, approx);
    const TSampleSize r = ExactSampleSize(ParseReference(input[0]), ParseReference(input[1]),
                                          ParseReference(input[2]), ParseReference(input[3]),
                                          Test(input[4], input[5], input[6]));
    QVERIFY(r.found && r.stableFound && !r.stableShort);
    QCOMPARE((QList<int>{r.n1, r.n2, r.n1Stable}), sizes);
    CheckAbsolute(r.power, power, "power");
    // The reference's quantiles are doubles.
    CheckValue(0, double(r.approx), approx, 1e-12L, false, "normal approximation");
}

void TestPower::commandLine_data()
{
    QTest::addColumn<bool>("sampleSize");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    // Lines out must hold; with --csv the header and the row's fields, "~x"
    // a number within 1e-12 of x.
    QTest::addColumn<QStringList>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<bool>("fullDisk"); // out is /dev/full

    QTest::newRow("power lines")
        << false << QStringList{"0.2", "0.5", "44", "44", "--rule", "central"} << 0
        << QStringList{"  Точная мощность (вероятность отвергнуть нулевую гипотезу): 0.802090",
                       "  Точный размер (при общей доле 0.35 = (N1 P1 + N2 P2)/(N1 + N2) в обеих "
                       "группах): 0.030535"}
        << QString() << false;
    QTest::newRow("sample size lines")
        << true << QStringList{"--rule", "central", "0.2", "0.5", "0.8"} << 0
        << QStringList{"  Наименьший объем, при котором мощность достигнута: N1 = 44, N2 = 44 "
                       "(мощность 0.802090)",
                       "  Устойчивый объем (мощность не ниже 0.8 при нем и при всех больших N1 до "
                       "94): N1 = 44, N2 = 44",
                       "  Нормальное приближение: N1 = 38.5, с округлением вверх 39"}
        << QString() << false;
    QTest::newRow("power csv") << false
                               << QStringList{"--csv", "0.1", "0.6", "6", "50", "--rule", "minlike"}
                               << 0
                               << QStringList{PowerHeader,
                                              "0.1",
                                              "0.6",
                                              "6",
                                              "50",
                                              "0.05",
                                              "two",
                                              "minlike",
                                              "~6.081476422107605365235266e-1",
                                              "~2.677355364090942269809720e-2",
                                              "~5.08273013201"}
                               << QString() << false;
    QTest::newRow("sample size csv")
        << true << QStringList{"0.2", "0.5", "0.8", "--ratio", "2", "--csv", "--alpha", "0.05"} << 0
        << QStringList{SampleSizeHeader,
                       "0.2",
                       "0.5",
                       "0.8",
                       "2",
                       "0.05",
                       "two",
                       "velmar",
                       "31",
                       "62",
                       "~8.063204153641692987520568e-1",
                       "31",
                       "~29.350432349411989"}
        << QString() << false;
    QTest::newRow("power, disk full")
        << false << QStringList{"0.2", "0.5", "4", "4"} << 1 << QStringList()
        << QString("velmar-report: не могу записать стандартный вывод: ") << true;
    QTest::newRow("sample size csv, disk full")
        << true << QStringList{"0.2", "0.5", "0.8", "--csv"} << 1 << QStringList()
        << QString("velmar-report: не могу записать стандартный вывод: ") << true;

    const struct {
        const char *name;
        bool sampleSize;
        QStringList args;
        const char *err;
    } refused[] = {
        {"proportion above 1", false, {"1.2", "0.5", "4", "4"}, "P1 = \"1.2\" — доля должна"},
        {"negative proportion", false, {"0.2", "-0.5", "4", "4"}, "P2 = \"-0.5\" — доля должна"},
        {"decimal comma", false, {"0,2", "0.5", "4", "4"}, "пишите десятичную точку: 0.2"},
        {"not a number", true, {"nan", "0.5", "0.8"}, "P1 = \"nan\""},
        {"group of 0", false, {"0.2", "0.5", "0", "4"}, "N1 = \"0\" — нужно целое число от 1 до"},
        {"group above 20000", false, {"0.2", "0.5", "4", "20001"}, "N2 = \"20001\""},
        {"group not an integer", false, {"0.2", "0.5", "4.5", "4"}, "N1 = \"4.5\""},
        {"too few values", false, {"0.2", "0.5", "4"}, "нужны четыре значения"},
        {"too many values", true, {"0.2", "0.5", "0.8", "9"}, "нужны три значения"},
        {"equal proportions", true, {"0.3", "0.3", "0.8"}, "P1 = P2"},
        {"power 1", true, {"0.2", "0.5", "1"}, "POWER = \"1\" — мощность должна"},
        {"power 0", true, {"0.2", "0.5", "0"}, "POWER = \"0\""},
        {"alpha 0", false, {"0.2", "0.5", "4", "4", "--alpha", "0"}, "--alpha 0: уровень"},
        {"alpha without value", false, {"0.2", "0.5", "4", "4", "--alpha"}, "после --alpha"},
        {"unknown criterion",
         false,
         {"0.2", "0.5", "4", "4", "--criterion", "both"},
         "--criterion \"both\": нужно two, left или right"},
        {"unknown rule",
         true,
         {"0.2", "0.5", "0.8", "--rule", "fisher"},
         "--rule \"fisher\": нужно velmar, minlike или central"},
        {"unknown option",
         false,
         {"0.2", "0.5", "4", "4", "--level", "5"},
         "неизвестный параметр \"--level\""},
        {"ratio with power", false, {"0.2", "0.5", "4", "4", "--ratio", "2"}, "--ratio задается"},
        {"ratio 0", true, {"0.2", "0.5", "0.8", "--ratio", "0"}, "--ratio 0: отношение"},
        {"ratio out of range", true, {"0.2", "0.5", "0.8", "--ratio", "50000"}, "ни при одном N1"},
        {"one-sided the wrong way",
         true,
         {"0.5", "0.2", "0.8", "--criterion", "left"},
         "--criterion left обнаруживает P1 < P2"},
        {"power not reached",
         true,
         {"0.2", "0.21", "0.99"},
         "мощность 0.99 не достигается: при наибольших группах N1 = 20000"},
    };
    for (const auto &r : refused)
        QTest::newRow(r.name) << r.sampleSize << r.args << 2 << QStringList() << QString(r.err)
                              << false;
}

void TestPower::commandLine()
{
    QFETCH(bool, sampleSize);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QStringList, out);
    QFETCH(QString, err);
    QFETCH(bool, fullDisk);
    std::vector<std::string> words;
    for (const QString &arg : args)
        words.push_back(arg.toStdString());
    const TFile outFile(fullDisk ? std::fopen("/dev/full", "w") : std::tmpfile(), &std::fclose),
        errFile(std::tmpfile(), &std::fclose);
    QVERIFY(outFile && errFile);
    const int got = sampleSize ? RunSampleSizeCommand(words, outFile.get(), errFile.get())
                               : RunPowerCommand(words, outFile.get(), errFile.get());
    const QString written = fullDisk ? QString() : ReadBack(outFile.get());
    const QString told = ReadBack(errFile.get());
    QCOMPARE(got, status);
    if (status != 0) {
        QVERIFY(written.isEmpty());
        QVERIFY2(told.startsWith("velmar-report: ") && told.contains(err), qPrintable(told));
        return;
    }
    QVERIFY(told.isEmpty());
    if (!args.contains("--csv")) {
        const QStringList lines = written.split('\n');
        for (const QString &line : out)
            QVERIFY2(lines.contains(line), qPrintable(line + "\n---\n" + written));
        return;
    }
    const QStringList lines = written.split('\n');
    QCOMPARE(lines.size(), 3); // header, row, nothing after the last end of line
    QCOMPARE(lines[0], out[0]);
    QVERIFY(lines[2].isEmpty());
    const QStringList fields = lines[1].split(',');
    QCOMPARE(fields.size(), out.size() - 1);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString &want = out[i + 1];
        if (want.startsWith('~'))
            CheckValue(0, fields[i].toDouble(), want.mid(1), 1e-12L, false, "csv field");
        else
            QCOMPARE(fields[i], want);
    }
}

QTEST_GUILESS_MAIN(TestPower)
#include "tst_power.moc"
