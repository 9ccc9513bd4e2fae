#include <QtTest>

#include <QProcess>
#include <QStringDecoder>

#include <unistd.h>

namespace {

struct TResult {
    int exitCode = -1;
    QByteArray out, err;
};

TResult Run(const QStringList &args, const QByteArray &input = QByteArray(),
            const QString &outputFile = QString())
{
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(QStringLiteral(VELMAR_REPORT_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    TResult result{process.exitCode(), process.readAllStandardOutput(),
                   process.readAllStandardError()};
#ifdef _WIN32
    // Windows' text mode ends each line with CR LF; the --cp1251 report keeps its bytes.
    if (!args.contains(QStringLiteral("--cp1251")))
        result.out.replace("\r\n", "\n");
    result.err.replace("\r\n", "\n");
#endif
    return result;
}

// An exact rational check of P(a) for small tables: C(m, a) C(s - m, k - a) / C(s, k).
long double ExactPoint(int s, int m, int k, int a)
{
    auto choose = [](int n, int r) {
        long double value = 1.0L;
        for (int i = 1; i <= r; ++i)
            value = value * (n - r + i) / i;
        return value;
    };
    return choose(m, a) * choose(s - m, k - a) / choose(s, k);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void statusAndStreams_data();
    void statusAndStreams();
    void helpAndVersionWin_data();
    void helpAndVersionWin();
    void workedExampleReport();
    void cp1251BytesAndLineEnds();
    void csvDistribution();
    void batch_data();
    void batch();
    void fullOutput_data();
    void fullOutput();
};

void TestCli::statusAndStreams_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("errorText");
    QTest::newRow("cells") << QStringList{"8", "2", "1", "5"} << 0 << "";
    QTest::newRow("leading zeros") << QStringList{"008", "02", "1", "5"} << 0 << "";
    QTest::newRow("margins with a at the top of its range")
        << QStringList{"--margins", "8", "6", "10", "--a", "6"} << 0 << "";
    QTest::newRow("a at the bottom of its range")
        << QStringList{"--margins", "10", "9", "16", "--a", "3"} << 0 << "";
    QTest::newRow("too few values") << QStringList{"1", "2", "3"} << 1 << "Использование";
    QTest::newRow("unknown option") << QStringList{"--frob", "1", "2", "3", "4"} << 1
                                    << "velmar-report: неизвестный параметр \"--frob\"\n"
                                       "Справка: velmar-report --help";
    QTest::newRow("unknown short option")
        << QStringList{"1", "2", "3", "4", "-x"} << 1 << "неизвестный параметр \"-x\"";
    QTest::newRow("a without margins")
        << QStringList{"1", "2", "3", "4", "--a", "1"} << 1 << "Использование";
    QTest::newRow("a without its value") << QStringList{"--margins", "1", "2", "3", "--a"} << 1
                                         << "velmar-report: после --a нужно значение";
    QTest::newRow("over 20000") << QStringList{"5000", "5000", "5000", "5001"} << 2
                                << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("32-bit wrap") << QStringList{"2147483647", "2147483647", "2", "0"} << 2
                                 << "Величины a,b,c,d в сумме не должны превышать 20000";
    QTest::newRow("total over 20000") << QStringList{"--margins", "10", "9", "20001", "--a", "5"}
                                      << 2 << "Величина n не должны превышать 20000";
    QTest::newRow("all zero") << QStringList{"0", "0", "0", "0"} << 2 << "Ошибка";
    QTest::newRow("decimal point") << QStringList{"8.5", "2", "1", "5"} << 2
                                   << "velmar-report: \"8.5\" — нужно целое неотрицательное число";
    QTest::newRow("exponent") << QStringList{"1e3", "2", "1", "5"} << 2
                              << "\"1e3\" — нужно целое неотрицательное число";
    QTest::newRow("sign") << QStringList{"8", "-2", "1", "5"} << 2
                          << "\"-2\" — нужно целое неотрицательное число";
    QTest::newRow("hexadecimal") << QStringList{"0x10", "2", "1", "5"} << 2
                                 << "\"0x10\" — нужно целое неотрицательное число";
    QTest::newRow("empty") << QStringList{"8", "", "1", "5"} << 2
                           << "\"\" — нужно целое неотрицательное число";
    QTest::newRow("margin not a number") << QStringList{"--margins", "x", "6", "10"} << 2
                                         << "\"x\" — нужно целое неотрицательное число";
    QTest::newRow("beyond 32 bits") << QStringList{"2147483648", "2", "1", "5"} << 2
                                    << "velmar-report: \"2147483648\" — слишком большое число";
    QTest::newRow("m above the total") << QStringList{"--margins", "10", "9", "5"} << 2
                                       << "velmar-report: m = 10 больше общей суммы n = 5";
    QTest::newRow("k above the total")
        << QStringList{"--margins", "5", "6", "5"} << 2 << "k = 6 больше общей суммы n = 5";
    QTest::newRow("a above its range")
        << QStringList{"--margins", "10", "9", "16", "--a", "10"} << 2
        << "velmar-report: --a 10 — вне допустимого диапазона a от 3 до 9";
    QTest::newRow("a below its range") << QStringList{"--margins", "10", "9", "16", "--a", "2"} << 2
                                       << "--a 2 — вне допустимого диапазона a от 3 до 9";
    QTest::newRow("a beyond 32 bits")
        << QStringList{"--margins", "10", "9", "30", "--a", "2147483648"} << 2
        << "--a 2147483648 — вне допустимого диапазона a от 0 до 9";
    QTest::newRow("help") << QStringList{"--help"} << 0 << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "";
    QTest::newRow("level outside (0, 1)")
        << QStringList{"--conf-level", "1", "8", "2", "1", "5"} << 1 << "--conf-level 1";
    QTest::newRow("level with a decimal comma")
        << QStringList{"--conf-level", "0,95", "8", "2", "1", "5"} << 1
        << "velmar-report: --conf-level 0,95: пишите десятичную точку: 0.95";
    QTest::newRow("level without its value") << QStringList{"8", "2", "1", "5", "--conf-level"} << 1
                                             << "после --conf-level нужно значение";
    QTest::newRow("batch takes no table")
        << QStringList{"--batch", "8", "2", "1", "5"} << 1 << "Использование";
}

void TestCli::statusAndStreams()
{
    QFETCH(QStringList, args);
    QFETCH(QString, errorText);
    const TResult r = Run(args);
    QTEST(r.exitCode, "exitCode");
    if (errorText.isEmpty())
        QVERIFY(r.err.isEmpty());
    else
        QVERIFY2(QString::fromUtf8(r.err).contains(errorText), r.err.constData());
    if (r.exitCode != 0)
        QVERIFY(r.out.isEmpty());
}

void TestCli::helpAndVersionWin_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("start"); // of standard output
    const QString usage = QStringLiteral("Использование:\n");
    const QString version = QStringLiteral("velmar-report ");
    QTest::newRow("-h") << QStringList{"-h"} << usage;
    QTest::newRow("-V") << QStringList{"-V"} << version;
    QTest::newRow("help after a table") << QStringList{"8", "2", "1", "5", "--help"} << usage;
    QTest::newRow("help beside wrong arguments")
        << QStringList{"--frob", "--margins", "10", "9", "5", "-h"} << usage;
    QTest::newRow("help over version") << QStringList{"--help", "-V"} << usage;
    QTest::newRow("version beside a wrong number") << QStringList{"8.5", "--version"} << version;
}

void TestCli::helpAndVersionWin()
{
    QFETCH(QStringList, args);
    const TResult r = Run(args);
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QFETCH(QString, start);
    QVERIFY2(QString::fromUtf8(r.out).startsWith(start), r.out.constData());
}

void TestCli::workedExampleReport()
{
    const TResult r = Run({"8", "2", "1", "5"});
    const QStringList lines = QString::fromUtf8(r.out).split('\n');
    QCOMPARE(lines.first(), QString("Сумма частот в первой строке m = 10"));
    QVERIFY(
        lines.contains("  Правая 1-сторонняя вероятность (того, что a >= 8) есть: 0.024475524"));
    QCOMPARE(lines.last(), QString()); // every line ends with a line feed
}

void TestCli::cp1251BytesAndLineEnds()
{
    const TResult utf8 = Run({"3", "1", "1", "3"});
    const TResult cp = Run({"--cp1251", "3", "1", "1", "3"});
    QCOMPARE(cp.exitCode, 0);
    QVERIFY(cp.out.startsWith("\xD1\xF3\xEC\xEC\xE0 ")); // "Сумма " in Windows-1251
    QVERIFY(cp.out.endsWith("\r\n"));
    QCOMPARE(cp.out.count("\r\n"), utf8.out.count('\n'));
    QStringDecoder decode("windows-1251");
    QString decoded = decode(cp.out);
    QCOMPARE(decoded.replace("\r\n", "\n"), QString::fromUtf8(utf8.out));
}

void TestCli::csvDistribution()
{
    const TResult r = Run({"--csv", "--margins", "30", "12", "57"});
    QCOMPARE(r.exitCode, 0);
    const QStringList rows = QString::fromLatin1(r.out).trimmed().split('\n');
    QCOMPARE(rows.first(), QString("a,b,c,d,D,point,two_sided,left,right"));
    QCOMPARE(rows.size(), 1 + 13);
    long double left = 0.0L;
    for (int i = 1; i < rows.size(); ++i) {
        const QStringList f = rows[i].split(',');
        QCOMPARE(f.size(), 9);
        const int a = f[0].toInt();
        QCOMPARE(a, i - 1);
        QCOMPARE(f[1].toInt() + a, 30);
        QCOMPARE(f[4].toInt(), a * f[3].toInt() - f[1].toInt() * f[2].toInt());
        const long double point = std::strtold(f[5].toLatin1().constData(), nullptr);
        const long double exact = ExactPoint(57, 30, 12, a);
        QVERIFY2(std::fabs(point - exact) <= 1e-15L * exact, qPrintable(rows[i]));
        left += exact;
        const long double cumulative = std::strtold(f[7].toLatin1().constData(), nullptr);
        QVERIFY(std::fabs(cumulative - left) <= 1e-15L);
        QVERIFY(f[5].contains('e'));
    }
}

void TestCli::batch_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    // Each row's fields: numbers compare within 1e-12 relative, "=" before a field
    // compares its text as written, "*" matches anything.
    QTest::addColumn<QList<QStringList>>("rows");
    // How the streams are set up: "" pipes, "line by line" (each line sent only
    // after the row of the one before came), "stdin folder", "stdin closed",
    // "stdout full" (the rows are then not checked).
    QTest::addColumn<QString>("streams");
    QTest::addColumn<QString>("errorText"); // the start of standard error's one line

    // Expected values from an independent computation (exact fractions, mpmath).
    QTest::newRow("8 2 1 5") << QByteArray("8 2 1 5\n") << 0
                             << QList<QStringList>{{"8", "2", "1", "5", "=0.023601398601398601",
                                                    "0.034965034965034965", "0.999125874125874126",
                                                    "0.0244755244755244755", "0.034965034965034965",
                                                    "0.987325174825174825", "0.0126748251748251748",
                                                    "0.0253496503496503497", "20",
                                                    "15.4658197169209", "1.00884920794769",
                                                    "1059.63949508628", ""}}
                             << ""
                             << "";
    QTest::newRow("comments, blanks and separators")
        << QByteArray("# tables\n\n   \n \t# indented\n0;5,6\t4\r\n") << 0
        << QList<QStringList>{{"0", "5", "6", "4", "0.041958041958041958", "0.0889110889110889111",
                               "0.041958041958041958", "1", "0.043956043956043956", "*", "*", "*",
                               "0", "0", "0", "*", ""}}
        << ""
        << "";
    const QString unread =
        QStringLiteral("Строка не прочитана: нужны четыре неотрицательных целых числа");
    QStringList empty(12);
    QTest::newRow("refusals, in order, quoted")
        << QByteArray("0 0 0 0\n5000 5000 5000 5001\n1 2 3\nx 1 2 3\n3 0 0 0\n") << 2
        << QList<QStringList>{QStringList{"0", "0", "0", "0"} + empty + QStringList{"Ошибка"},
                              QStringList{"5000", "5000", "5000", "5001"} + empty +
                                  QStringList{"Величины a,b,c,d в сумме не должны превышать 20000"},
                              QStringList{"1", "2", "3", ""} + empty + QStringList{unread},
                              QStringList{"", "1", "2", "3"} + empty + QStringList{unread},
                              {"3", "0", "0", "0", "1", "1", "1", "1", "1", "0.5", "0.5", "1", "",
                               "", "0", "inf", ""}}
        << ""
        << "";

    QTest::newRow("five numbers") << QByteArray("8 2 1 5 7\n8,2,1,5,7\n") << 2
                                  << QList<QStringList>{QStringList{"8", "2", "1", "5"} + empty +
                                                            QStringList{unread},
                                                        QStringList{"8", "2", "1", "5"} + empty +
                                                            QStringList{unread}}
                                  << ""
                                  << "";
    QTest::newRow("a total of exactly 20000")
        << QByteArray("5000 5000 5000 5000\n20000 0 0 0\n") << 0
        << QList<QStringList>{{"5000", "5000", "5000", "5000", "0.0112833685367021633", "1",
                               "0.505641684268351082", "0.505641684268351082", "1", "0.5", "0.5",
                               "1", "1", "*", "*", "*", ""},
                              {"20000", "0", "0", "0", "1", "1", "1", "1", "1", "0.5", "0.5", "1",
                               "", "", "0", "inf", ""}}
        << ""
        << "";

    // Input as spreadsheets and other programs write it.
    const QStringList any(11, "*");
    const QStringList table8215 =
        QStringList{"8", "2", "1", "5", "0.0236013986013986002"} + any + QStringList{""};
    const QStringList table3113 =
        QStringList{"3", "1", "1", "3", "0.228571428571428571"} + any + QStringList{""};
    const QStringList table0564 =
        QStringList{"0", "5", "6", "4", "0.041958041958041958"} + any + QStringList{""};
    QTest::newRow("byte-order mark, CR LF") << QByteArray("\xEF\xBB\xBF"
                                                          "8;2;1;5\r\n")
                                            << 0 << QList<QStringList>{table8215} << ""
                                            << "";
    QTest::newRow("lone CR, CR LF and LF end lines")
        << QByteArray("8 2 1 5\r3 1 1 3\r\n\r\n0 5 6 4\n\r3 1 1 3") << 0
        << QList<QStringList>{table8215, table3113, table0564, table3113} << ""
        << "";
    QTest::newRow("cells by value")
        << QByteArray("0000000008 2 1 5\n0000000000000000020001 0 00 0\n") << 2
        << QList<QStringList>{table8215, QStringList{"0000000000000000020001", "0", "00", "0"} +
                                             empty +
                                             QStringList{"Величины a,b,c,d в сумме не должны "
                                                         "превышать 20000"}}
        << ""
        << "";
    QTest::newRow("empty fields between commas or semicolons")
        << QByteArray("8,,2,1,5\n8,,2,1\n8 2 1 5,\n;8 2 1 5\n8 , ; 2 1 5\n 8 ;2 ;\t1;  5 \n") << 2
        << QList<QStringList>{QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "2", "1", "5"} + empty + QStringList{unread},
                              QStringList{"", "8", "2", "1"} + empty + QStringList{unread},
                              QStringList{"8", "", "2", "1"} + empty + QStringList{unread},
                              table8215}
        << ""
        << "";
    const QString tooLong = QStringLiteral("Строка не прочитана: длиннее 4096 байт");
    QTest::newRow("lines up to 4096 bytes")
        << ("8 2 1 5" + QByteArray(4089, ' ') + "\n8 2 1 5" + QByteArray(4090, ' ') + "\n1 2 3 " +
            QByteArray(300000, '4') + "\r# " + QByteArray(5000, 'x') + "\n3 1 1 3\n")
        << 2
        << QList<QStringList>{table8215,
                              QStringList{"8", "2", "1", "5"} + empty + QStringList{tooLong},
                              QStringList{"1", "2", "3", QString(20, '4')} + empty +
                                  QStringList{tooLong},
                              table3113}
        << ""
        << "";
    // Far in the tails the two-sided sum goes on below the double range, where the
    // double sum reads 0 (exact: 2 / C(4000, 2000)).
    QTest::newRow("two_sided below the double range")
        << QByteArray("0 2000 2000 0\n") << 0
        << QList<QStringList>{QStringList{"0", "2000", "2000", "0", "6.013598399598970851e-1203",
                                          "1.202719679919794170e-1202",
                                          "6.013598399598970851e-1203", "1"} +
                              QStringList(8, "*") + QStringList{""}}
        << ""
        << "";

    // A program that sends a line and waits for its row gets it.
    QTest::newRow("line by line") << QByteArray("8 2 1 5\n0 5 6 4\r\n# comment\n3 1 1 3\r1 2 3\n")
                                  << 2
                                  << QList<QStringList>{table8215, table0564, table3113,
                                                        QStringList{"1", "2", "3", ""} + empty +
                                                            QStringList{unread}}
                                  << "line by line"
                                  << "";
    const QString noInput = QStringLiteral("velmar-report: не могу прочитать стандартный ввод: ");
    QTest::newRow("stdin a folder")
        << QByteArray() << 1 << QList<QStringList>{} << "stdin folder" << noInput;
    QTest::newRow("stdin closed") << QByteArray() << 1 << QList<QStringList>{} << "stdin closed"
                                  << noInput;
    QTest::newRow("stdout full") << QByteArray("8 2 1 5\n") << 1 << QList<QStringList>{}
                                 << "stdout full"
                                 << QStringLiteral(
                                        "velmar-report: не могу записать стандартный вывод: ");
}

// The fields of a CSV row; a quoted field loses its quotes.
QStringList SplitCsv(const QString &row)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (int i = 0; i < row.size(); ++i) {
        if (row[i] == '"' && quoted && i + 1 < row.size() && row[i + 1] == '"')
            fields.last() += row[++i];
        else if (row[i] == '"')
            quoted = !quoted;
        else if (row[i] == ',' && !quoted)
            fields << QString();
        else
            fields.last() += row[i];
    }
    return fields;
}

// velmar-report --batch with its streams set up as the row asks.
TResult RunBatch(const QByteArray &input, const QString &streams)
{
    QProcess process;
    if (streams == "stdin folder")
        process.setStandardInputFile(QStringLiteral("/"));
#ifndef _WIN32
    if (streams == "stdin closed")
        process.setChildProcessModifier([] { ::close(STDIN_FILENO); });
#endif
    if (streams == "stdout full")
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
    process.start(QStringLiteral(VELMAR_REPORT_PATH), {"--batch"});
    QByteArray out;
    if (streams == "line by line") {
        // The header, then each line's row before the next line is sent; the
        // timeouts only catch a row that never comes.
        const auto waitForRows = [&](qsizetype rows) {
            while (out.count('\n') < rows && process.waitForReadyRead(20000))
                out += process.readAllStandardOutput();
            return out.count('\n') >= rows;
        };
        if (!waitForRows(1))
            return {-1, out, "no header"};
        // Lines end after a LF, or a CR not followed by one.
        for (qsizetype start = 0, end = 0; start < input.size(); start = end) {
            while (end < input.size() && input[end] != '\n' &&
                   !(input[end] == '\r' && input.mid(end + 1, 1) != "\n"))
                ++end;
            const QByteArray line = input.mid(start, ++end - start);
            const qsizetype before = out.count('\n');
            process.write(line);
            if (!line.startsWith('#') && !waitForRows(before + 1))
                return {-1, out, "no row for " + line};
        }
    } else if (streams.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    TResult result{process.exitCode(), out + process.readAllStandardOutput(),
                   process.readAllStandardError()};
#ifdef _WIN32
    result.out.replace("\r\n", "\n");
    result.err.replace("\r\n", "\n");
#endif
    return result;
}

void TestCli::batch()
{
    QFETCH(QByteArray, input);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, streams);
    QFETCH(QString, errorText);
#ifdef _WIN32
    if (streams == "stdin closed")
        QSKIP("a Windows child cannot be started with its standard input closed");
#endif
    const TResult r = RunBatch(input, streams);
    QTEST(r.exitCode, "exitCode");
    if (errorText.isEmpty())
        QVERIFY2(r.err.isEmpty(), r.err.constData());
    else {
        QVERIFY2(r.err.startsWith(errorText.toUtf8()), r.err.constData());
        QCOMPARE(r.err.count('\n'), 1);
        QVERIFY(r.err.endsWith('\n'));
    }
    if (streams == "stdout full")
        return;
    QStringList lines = QString::fromUtf8(r.out).split('\n');
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.takeFirst(),
             QString("a,b,c,d,point,two_sided,left,right,two_sided_minlike,midp_left,midp_right,"
                     "midp_two_sided,or_sample,or_cmle,or_low,or_high,error"));
    QCOMPARE(lines.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList got = SplitCsv(lines[i]);
        QCOMPARE(got.size(), 17);
        for (int f = 0; f < 17; ++f) {
            const QString &want = rows[i][f];
            if (want == "*")
                continue;
            if (want.startsWith('=')) {
                QCOMPARE(got[f], want.mid(1));
                continue;
            }
            // Read as extended numbers: the far tails are below the double range.
            const QByteArray wantText = want.toLatin1(), gotText = got[f].toLatin1();
            char *end = nullptr;
            const long double wanted = std::strtold(wantText.constData(), &end);
            if (!want.isEmpty() && *end == '\0' && wanted != 0 && std::isfinite(wanted))
                QVERIFY2(std::fabs(std::strtold(gotText.constData(), nullptr) / wanted - 1) <=
                             1e-12L,
                         qPrintable(lines[i]));
            else
                QCOMPARE(got[f], want);
        }
    }
}

void TestCli::fullOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("report") << QStringList{"8", "2", "1", "5"};
    QTest::newRow("cp1251 in one write") << QStringList{"--cp1251", "100", "100", "100", "100"};
    QTest::newRow("csv") << QStringList{"--csv", "8", "2", "1", "5"};
    QTest::newRow("help") << QStringList{"--help"};
    QTest::newRow("version") << QStringList{"--version"};
}

void TestCli::fullOutput()
{
    QFETCH(QStringList, args);
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full");
    const TResult r = Run(args, QByteArray(), "/dev/full");
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith("velmar-report: не могу записать стандартный вывод: "),
             r.err.constData());
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
