#include "core/Fisher.h"
#include "report/Report.h"
#include "tests/Recording.h"

#include <QtTest>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {

// The window's limit holds for the sink too.
struct TListSink : TRecordingSink {
    TListSink(size_t limit = MaxReportChars) : TRecordingSink(limit) {}
    QStringList Lines() const { return Texts(lines); }
    QStringList Calls() const { return Texts(calls); }
    static QStringList Texts(const std::vector<std::string> &texts)
    {
        QStringList list;
        for (const std::string &text : texts)
            list << QString::fromStdString(text);
        return list;
    }
};

// A table as "Расчет" leaves it, with its distribution.
struct TEntered {
    TInputTable table;
    TFisherDistribution dist;
};

void EnterCells(TEntered &e, int a, int b, int c, int d)
{
    TInputTable &t = e.table;
    t.a = a, t.b = b, t.c = c, t.d = d;
    t.m = a + b, t.k = a + c, t.s = a + b + c + d;
    t.n = c + d, t.t = b + d;
    QCOMPARE(ComputeDistribution(e.dist, t.s, t.m, t.k), 0);
}

QString RowOf(const QStringList &lines, int a)
{
    const QString start = QString::asprintf(" %5d ", a);
    for (const QString &line : lines)
        if (line.startsWith(start) && line.size() >= 105)
            return line;
    return {};
}

QList<int> Flatten(const TCriticalBounds &b)
{
    QList<int> all;
    for (const int32_t *array : {b.twoLower, b.twoUpper, b.leftBound, b.rightBound})
        for (int i = 0; i < 3; ++i)
            all << array[i];
    return all;
}

const QString Reject5 = "   Это ОПРОВЕРГАЕТ (при 5%-ном уровне значимости) Нуль-гипотезу о "
                        "пропорциональности частот (независимости признаков и пр.))";
const QString Reject1 = "   Это ОПРОВЕРГАЕТ (при 1%-ном уровне значимости) Нуль-гипотезу о "
                        "пропорциональности частот (независимости признаков и пр.))";
const QString Reject01 = "   Это ОПРОВЕРГАЕТ (при 0.1%-ном уровне значимости) Нуль-гипотезу о "
                         "пропорциональности частот (независимости признаков и пр.))";
const QString Accept = "   Это подтверждает (при 5%-ном уровне значимости) Нуль-гипотезу о "
                       "пропорциональности частот (независимости признаков и пр.))";

} // namespace

class TestReport : public QObject {
    Q_OBJECT
private slots:
    void workedExample();
    void tables_data();
    void tables();
    void oddsRatioBlock_data();
    void oddsRatioBlock();
    void marginsOnly();
    void givenAtModeCarriesBothMarkers();
    void singleValueHasNoRegions();
    void largestReportFits();
    void decimalPointInAnyLocale();
    void tooLongReportStops();
};

void TestReport::workedExample()
{
    TEntered e;
    EnterCells(e, 8, 2, 1, 5);
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    const QStringList l = sink.Lines();
    QCOMPARE(l.mid(0, 10), (QStringList{
                               "Сумма частот в первой строке m = 10",
                               "Сумма частот в первом столбце k = 9",
                               "Всего n = 16",
                               "Диапазоны изменения параметров a,b,c,d",
                               " a:         от     3 до     9",
                               " b:         от     7 до     1",
                               " c:         от     6 до     0",
                               " d:         от     0 до     6",
                               "Максимальная вероятность = 0.367132867 при a = 6",
                               "   Нулевая гипотеза: \"Строки (a,b) и (c,d) пропорциональны.\"",
                           }));
    QCOMPARE(l.mid(10, 15),
             (QStringList{
                 "",
                 "          Заданные параметры",
                 "-------------------------------------",
                 "|  a =   8  |  b =   2  |  m =  10  |",
                 "|-----------|-----------|-----------|",
                 "|  c =   1  |  d =   5  |  n =   6  |",
                 "|-----------|-----------|-----------|",
                 "|  k =   9  |  t =   7  |  s =  16  |",
                 "-------------------------------------",
                 "  Вероятность того, что a=8 есть: 0.023601399",
                 "  Мера пропорциональности D = (a*d - b*c) есть: 38",
                 "  2-х сторонняя вероятность (того, что |D| >= 38) есть: 0.034965035",
                 Reject5,
                 "  Левая 1-сторонняя вероятность (того, что a <= 8) есть: 0.999125874",
                 "  Правая 1-сторонняя вероятность (того, что a >= 8) есть: 0.024475524",
             }));
    QCOMPARE(l[26], QString(42, ' ') + "Вероятности значений частоты a");
    QCOMPARE(l[27].size(), 109);
    QCOMPARE(l[28].size(), 109);
    QCOMPARE(l[29], QString("     3     7     6     0       -42     0.010489510       0.011363636"
                            "       0.010489510        1.000000000"));
    QCOMPARE(l[29].size(), 105);
    QVERIFY(RowOf(l, 6).endsWith("0.548951049  - Максимум вероятности"));
    QVERIFY(RowOf(l, 8).endsWith("0.024475524  - Заданные параметры"));
    QCOMPARE(l[36], QString("  Сумма вероятностей:                  1.000000000"));
    QCOMPARE(l.mid(37, 19),
             (QStringList{
                 "",
                 "            Критические области значений частоты \"а\"",
                 "  (где отвергается Нулевая гипотеза и принимается конкурирующая)",
                 "             для стандартных уровней значимости:",
                 " Двухсторонний критерий",
                 "   Конкурирующая гипотеза: \"Строки (a,b) и (c,d) не пропорциональны.\"",
                 "   5%-ный уровень значимости:  a <= 3  и  a >= 8.",
                 "   1%-ный уровень значимости:  a >= 9.",
                 "   0.1%-ный уровень значимости:  a >= 9.",
                 " Левосторонний критерий",
                 "   Конкурирующая гипотеза: \"Отношение a/c значимо меньше, чем b/d.\"",
                 "   5%-ный уровень значимости:  a <= 3.",
                 "   1%-ный уровень значимости:  Критерий не применим.",
                 "   0.1%-ный уровень значимости:  Критерий не применим.",
                 " Правосторонний критерий",
                 "   Конкурирующая гипотеза: \"Отношение a/c значимо больше, чем b/d.\"",
                 "   5%-ный уровень значимости:  a >= 8.",
                 "   1%-ный уровень значимости:  a >= 9.",
                 "   0.1%-ный уровень значимости:  a >= 9.",
             }));
    // After the designed report, the odds ratio and the other packages' p-values.
    QCOMPARE(l.mid(56),
             (QStringList{
                 "",
                 "          Отношение шансов и другие правила",
                 "  Отношение шансов (a*d)/(b*c) = 20.00",
                 "  Отношение шансов, условная оценка максимального правдоподобия = 15.47",
                 "  95%-ный точный доверительный интервал отношения шансов: от 1.009 до 1060",
                 "  2-х сторонняя вероятность (сумма вероятностей таблиц, не более вероятных, чем "
                 "данная) есть: 0.034965035",
                 "  Mid-p: левая 0.987325175, правая 0.012674825, 2-х сторонняя 0.025349650",
                 "  Центральное правило (удвоенная меньшая односторонняя вероятность): p = "
                 "0.048951049, 95%-ный интервал: от 1.009 до 1060",
                 "  Правило «не более вероятных» (R, SciPy, SPSS): p = 0.034965035, 95%-ный "
                 "интервал: от 1.305 до 519.6",
                 "  Правило Блейкера: p = 0.034965035, 95%-ный интервал: от 1.305 до 519.6",
                 "  Разность долей p1 - p2 = a/m - c/n = 0.6333, 95%-ный интервал (Миеттинен - "
                 "Нурминен): от 0.1156 до 0.8764",
                 "  Отношение долей p1/p2 = 4.800, 95%-ный интервал (Миеттинен - Нурминен): от "
                 "1.233 до 28.34",
                 "  Число больных, которых нужно лечить (NNT) = 1.579 (вред), 95%-ный интервал: от "
                 "1.141 до 8.648",
             }));
    QCOMPARE(Flatten(sink.bounds), (QList<int>{-1, -1, 3, 9, 9, 8, -1, -1, 3, 9, 9, 8}));
    QCOMPARE(sink.Calls(), (QStringList{"clear", "bounds", "caret 0", "show", "focus"}));
}

void TestReport::tables_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<QString>("measure");
    QTest::addColumn<QString>("twoSided");
    QTest::addColumn<QString>("verdict");
    // The nine region lines: two-sided, left-sided, right-sided, each at 5 %, 1 %, 0.1 %.
    QTest::addColumn<QStringList>("regions");
    const QString none = " Критерий не применим.";
    const auto levels = [](const QString &at5, const QString &at1, const QString &at01) {
        return QStringList{"   5%-ный уровень значимости: " + at5,
                           "   1%-ный уровень значимости: " + at1,
                           "   0.1%-ный уровень значимости: " + at01};
    };

    QTest::newRow("3 1 1 3") << QList<int>{3, 1, 1, 3} << "есть: 8"
                             << "  2-х сторонняя вероятность (того, что |D| >= 8) есть: 0.485714286"
                             << Accept
                             << levels(" a <= 0  и  a >= 4.", none, none) +
                                    levels(" a <= 0.", none, none) + levels(" a >= 4.", none, none);
    QTest::newRow("negative D")
        << QList<int>{1, 3, 3, 1} << "есть: -8"
        << "  2-х сторонняя вероятность (того, что |D| >= 8) есть: 0.485714286" << Accept
        << levels(" a <= 0  и  a >= 4.", none, none) + levels(" a <= 0.", none, none) +
               levels(" a >= 4.", none, none);
    QTest::newRow("strong association")
        << QList<int>{20, 0, 0, 20} << "есть: 400"
        << "  2-х сторонняя вероятность (того, что |D| >= 400) есть: 0.000000000" << Reject01
        << levels(" a <= 6  и  a >= 14.", " a <= 5  и  a >= 15.", " a <= 4  и  a >= 16.") +
               levels(" a <= 6.", " a <= 5.", " a <= 4.") +
               levels(" a >= 14.", " a >= 15.", " a >= 16.");
    // p = 1/20, 1/100 and 1/1000 exactly, each rounding to the level itself: a p
    // equal to a level rejects at it.
    QTest::newRow("p exactly 5 %, lower region only")
        << QList<int>{0, 1, 19, 0} << "есть: -19"
        << "  2-х сторонняя вероятность (того, что |D| >= 19) есть: 0.050000000" << Reject5
        << levels(" a <= 0.", none, none) + levels(" a <= 0.", none, none) +
               levels(none, none, none);
    QTest::newRow("p exactly 5 %, upper region only")
        << QList<int>{1, 0, 0, 19} << "есть: 19"
        << "  2-х сторонняя вероятность (того, что |D| >= 19) есть: 0.050000000" << Reject5
        << levels(" a >= 1.", none, none) + levels(none, none, none) +
               levels(" a >= 1.", none, none);
    QTest::newRow("p exactly 1 %")
        << QList<int>{1, 0, 0, 99} << "есть: 99"
        << "  2-х сторонняя вероятность (того, что |D| >= 99) есть: 0.010000000" << Reject1
        << levels(" a >= 1.", " a >= 1.", none) + levels(none, none, none) +
               levels(" a >= 1.", " a >= 1.", none);
    QTest::newRow("p exactly 0.1 %")
        << QList<int>{1, 0, 0, 999} << "есть: 999"
        << "  2-х сторонняя вероятность (того, что |D| >= 999) есть: 0.001000000" << Reject01
        << levels(" a >= 1.", " a >= 1.", " a >= 1.") + levels(none, none, none) +
               levels(" a >= 1.", " a >= 1.", " a >= 1.");
}

void TestReport::tables()
{
    QFETCH(QList<int>, cells);
    QFETCH(QString, measure);
    TEntered e;
    EnterCells(e, cells[0], cells[1], cells[2], cells[3]);
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    QVERIFY(sink.Lines()[20].endsWith(measure));
    QTEST(sink.Lines()[21], "twoSided");
    QTEST(sink.Lines()[22], "verdict");
    const QRegularExpression level("^   (5|1|0\\.1)%-ный уровень значимости: ");
    QTEST(sink.Lines().filter(level), "regions");
}

void TestReport::oddsRatioBlock_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<QString>("level"); // read in extended precision, as the command line does
    QTest::addColumn<QString>("line");  // a line of the block

    QTest::newRow("infinite upper bound")
        << QList<int>{7, 0, 3, 9} << "0.95"
        << "  95%-ный точный доверительный интервал отношения шансов: от 2.288 до бесконечности";
    // Six decimals of the percentage would round it to 100.
    QTest::newRow("level of nine nines")
        << QList<int>{8, 2, 1, 5} << "0.999999999"
        << "  99.9999999%-ный точный доверительный интервал отношения шансов: от 0.01202 до "
           "5.400e+10";
    // 999999 rounds to four digits as 1000000 does, so both take the exponent.
    QTest::newRow("odds ratio rounding to a million")
        << QList<int>{999, 1, 1, 1001} << "0.95"
        << "  Отношение шансов (a*d)/(b*c) = 1.000e+06";
    // 2 / C(40, 20) and half of 1 / C(40, 20): nine decimals would show zeros.
    QTest::newRow("probabilities below 1e-9")
        << QList<int>{20, 0, 0, 20} << "0.95"
        << "  2-х сторонняя вероятность (сумма вероятностей таблиц, не более вероятных, чем "
           "данная) есть: 1.451e-11";
    QTest::newRow("mid-p below 1e-9")
        << QList<int>{20, 0, 0, 20} << "0.95"
        << "  Mid-p: левая 1.000000000, правая 3.627e-12, 2-х сторонняя 7.254e-12";
    // The far tail of the largest table is below the extended range: 0, not an exponent.
    QTest::newRow("probabilities that read 0")
        << QList<int>{0, 10000, 10000, 0} << "0.95"
        << "  Mid-p: левая 0.000000000, правая 1.000000000, 2-х сторонняя 0.000000000";
    QTest::newRow("odds ratio of exactly 0.0001") << QList<int>{1, 100, 100, 1} << "0.95"
                                                  << "  Отношение шансов (a*d)/(b*c) = 0.0001000";
    QTest::newRow("lower bound 0")
        << QList<int>{0, 5, 6, 4} << "0.95"
        << "  95%-ный точный доверительный интервал отношения шансов: от 0 до 1.279";
    QTest::newRow("undefined odds ratio") << QList<int>{0, 0, 3, 4} << "0.95"
                                          << "  Отношение шансов (a*d)/(b*c) = не определено";
    QTest::newRow("level below 10 %")
        << QList<int>{8, 2, 1, 5} << "0.05"
        << "  5%-ный точный доверительный интервал отношения шансов: от 6.735 до 35.78";
    QTest::newRow("level of one decimal")
        << QList<int>{8, 2, 1, 5} << "0.5"
        << "  50%-ный точный доверительный интервал отношения шансов: от 3.588 до 87.35";
    // Each rule's p with its own interval: 1 is left out exactly when p <= 0.05.
    QTest::newRow("central p above 5 %, interval holds 1")
        << QList<int>{6, 12, 12, 5} << "0.95"
        << "  Центральное правило (удвоенная меньшая односторонняя вероятность): p = 0.060587644, "
           "95%-ный интервал: от 0.03888 до 1.056";
    QTest::newRow("no more probable p below 5 %, interval without 1")
        << QList<int>{6, 12, 12, 5} << "0.95"
        << "  Правило «не более вероятных» (R, SciPy, SPSS): p = 0.043710168, 95%-ный интервал: "
           "от 0.04355 до 0.9170";
    QTest::newRow("Blaker's interval inside the central one")
        << QList<int>{6, 12, 12, 5} << "0.95"
        << "  Правило Блейкера: p = 0.043710168, 95%-ный интервал: от 0.04229 до 0.9170";
    QTest::newRow("Blaker's interval, a at its largest")
        << QList<int>{10, 0, 0, 10} << "0.99"
        << "  Правило Блейкера: p = 0.000010825, 99%-ный интервал: от 5.998 до бесконечности";
    QTest::newRow("Blaker's interval at a level of one half")
        << QList<int>{8, 2, 1, 5} << "0.5"
        << "  Правило Блейкера: p = 0.034965035, 50%-ный интервал: не вычисляется при уровне 50% "
           "и ниже";
    QTest::newRow("negative risk difference")
        << QList<int>{2, 4, 11, 2} << "0.95"
        << "  Разность долей p1 - p2 = a/m - c/n = -0.5128, 95%-ный интервал (Миеттинен - "
           "Нурминен): от -0.8111 до -0.04773";
    QTest::newRow("number needed, benefit")
        << QList<int>{2, 4, 11, 2} << "0.95"
        << "  Число больных, которых нужно лечить (NNT) = 1.950 (польза), 95%-ный интервал: от "
           "1.233 до 20.95";
    QTest::newRow("risk ratio infinite when p2 = 0")
        << QList<int>{5, 5, 0, 10} << "0.95"
        << "  Отношение долей p1/p2 = бесконечность, 95%-ный интервал (Миеттинен - Нурминен): от "
           "1.560 до бесконечности";
    QTest::newRow("number needed through infinity")
        << QList<int>{0, 5, 0, 6} << "0.95"
        << "  Число больных, которых нужно лечить (NNT) = бесконечность, 95%-ный интервал: от "
           "NNT(польза) 2.420 до бесконечности и далее до NNT(вред) 2.183";
    QTest::newRow("risk ratio with both proportions 0")
        << QList<int>{0, 5, 0, 6} << "0.95"
        << "  Отношение долей p1/p2 = не определено";
    QTest::newRow("risk difference of a zero row")
        << QList<int>{0, 0, 3, 4} << "0.95"
        << "  Разность долей p1 - p2 = a/m - c/n = не определено";
    QTest::newRow("number needed of a zero row")
        << QList<int>{3, 4, 0, 0} << "0.95"
        << "  Число больных, которых нужно лечить (NNT) = не определено";
}

void TestReport::oddsRatioBlock()
{
    QFETCH(QList<int>, cells);
    QFETCH(QString, level);
    QFETCH(QString, line);
    TEntered e;
    EnterCells(e, cells[0], cells[1], cells[2], cells[3]);
    TListSink sink;
    const long double confLevel = std::strtold(level.toLatin1().constData(), nullptr);
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist), confLevel), 0);
    const QStringList lines = sink.Lines();
    const QStringList block =
        lines.mid(lines.indexOf("          Отношение шансов и другие правила"));
    QVERIFY2(block.contains(line), qPrintable(block.join('\n')));
}

void TestReport::marginsOnly()
{
    TEntered e;
    EnterCells(e, 3, 1, 1, 3);
    e.table.a = e.table.b = e.table.c = e.table.d = -1;
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    QCOMPARE(sink.Lines()[10], QString(""));
    QCOMPARE(sink.Lines()[11], QString(42, ' ') + "Вероятности значений частоты a");
    QVERIFY(!sink.Lines().join('\n').contains("Заданные параметры"));
    QCOMPARE(sink.Lines().filter("Максимум вероятности").size(), 1);
    // Without a table the odds ratio block has nothing to say: the regions end the report.
    QCOMPARE(sink.Lines().last(),
             QString("   0.1%-ный уровень значимости:  Критерий не применим."));
}

void TestReport::givenAtModeCarriesBothMarkers()
{
    TEntered e;
    EnterCells(e, 2, 2, 2, 2);
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    QVERIFY(RowOf(sink.Lines(), 2).endsWith("  - Заданные параметры  - Максимум вероятности"));
}

void TestReport::singleValueHasNoRegions()
{
    TEntered e;
    EnterCells(e, 0, 0, 3, 4);
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    QCOMPARE(sink.Lines().filter(" Критерий не применим.").size(), 9);
    QCOMPARE(Flatten(sink.bounds), QList<int>(12, -1));
    QVERIFY(RowOf(sink.Lines(), 0).contains("1.000000000       1.000000000       1.000000000"));
}

void TestReport::decimalPointInAnyLocale()
{
    // A window toolkit sets the process's locale from the user's environment.
    // Where the machine has no Russian locale, the test compiles one for itself.
#ifdef _WIN32
    // Windows names its locales by language and code page.
    QVERIFY2(setlocale(LC_NUMERIC, "Russian_Russia.1251"), "no Russian locale");
#else
    QTemporaryDir locales;
    if (!setlocale(LC_NUMERIC, "ru_RU.UTF-8")) {
        QProcess::execute("localedef",
                          {"-i", "ru_RU", "-f", "UTF-8", locales.filePath("ru_RU.UTF-8")});
        qputenv("LOCPATH", QFile::encodeName(locales.path()));
        QVERIFY2(setlocale(LC_NUMERIC, "ru_RU.UTF-8"),
                 "no Russian locale: localedef (package locales) could not make one");
    }
#endif
    char printed[8];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    TEntered e;
    EnterCells(e, 8, 2, 1, 5);
    TListSink sink;
    const int32_t status = BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist));
    setlocale(LC_NUMERIC, "C");
    QCOMPARE(printed, "0,5"); // the locale took: C's own printf writes a comma
    QCOMPARE(status, 0);
    QCOMPARE(sink.Lines()[8], QString("Максимальная вероятность = 0.367132867 при a = 6"));
    QVERIFY(sink.Lines().contains(
        "  Mid-p: левая 0.987325175, правая 0.012674825, 2-х сторонняя 0.025349650"));
    QVERIFY(sink.Lines().last().endsWith("от 1.141 до 8.648"));
}

void TestReport::largestReportFits()
{
    TEntered e;
    EnterCells(e, 5000, 5000, 5000, 5000);
    TListSink sink;
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 0);
    QCOMPARE(sink.Lines().size(), 25 + 4 + 10001 + 1 + 19 + 7 + 6);
    QVERIFY(!sink.Lines().contains("Ошибка"));
    QVERIFY(qsizetype(sink.chars) > 1000000);
    QVERIFY(qsizetype(sink.chars) < MaxReportChars);
    QVERIFY(sink.Lines().contains(Accept));
}

void TestReport::tooLongReportStops()
{
    TEntered e;
    EnterCells(e, 8, 2, 1, 5);
    TListSink full;
    BuildReport(full, e.dist, e.table, ComputeCriticalBounds(e.dist));
    // Room for the head and three short lines, not for a table row.
    const qsizetype head = full.Lines().mid(0, 29).join('\n').size() + 1;
    TListSink sink(head + 3 * 7);
    QCOMPARE(BuildReport(sink, e.dist, e.table, ComputeCriticalBounds(e.dist)), 1);
    QCOMPARE(sink.Lines().mid(29), (QStringList{"Ошибка", "Ошибка", "Ошибка"}));
    QVERIFY(!sink.Calls().contains("show"));
    QVERIFY(!sink.Calls().contains("bounds"));
}

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
