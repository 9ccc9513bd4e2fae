#include "mainwin/InputSteps.h"
#include "tests/Recording.h"

#include <QtTest>

namespace {

const char *const FieldNames = "abcdmnkts";

TField FieldNamed(QChar name)
{
    return TField(QString(FieldNames).indexOf(name));
}

// The messages shown, each as its text with " [caption]" when it has one and
// " (stop)" or " (info)" for its icon.
QStringList Messages(const TRecordingMessageBox &box)
{
    QStringList shown;
    for (const TRecordingMessageBox::TMessage &m : box.shown)
        shown << QString::fromStdString(m.text) + (m.caption.empty() ? "" : " [caption]") +
                     (m.icon == TMsgIcon::Stop ? " (stop)" : " (info)");
    return shown;
}

// Runs a script of steps: "X=text" types text into field X and leaves it,
// "X:=text" puts text into X without leaving it, "calc" presses "Расчет".
struct TRun {
    TRecordingFields fields;
    TRecordingMessageBox messages;
    int computations = 0;

    void Play(const QString &script)
    {
        for (const QString &step : script.split(';', Qt::SkipEmptyParts)) {
            const QString s = step.trimmed();
            if (s == "calc") {
                BtnCompClick(fields, fields.table, messages,
                             [this](const TInputTable &) { ++computations; });
            } else if (s.contains(":=")) {
                fields.SetText(FieldNamed(s[0]), s.mid(3).toStdString());
            } else {
                fields.SetText(FieldNamed(s[0]), s.mid(2).toStdString());
                FieldExit(fields, fields.table, fields.editBusy, FieldNamed(s[0]));
            }
        }
    }
    // The table's values in the same form as the fields.
    QString Values() const
    {
        QStringList values;
        for (int i = 0; i < FieldCount; ++i) {
            const int32_t value = fields.table.At(i);
            values << (value < 0 ? QString("_") : QString::number(value));
        }
        return values.join(' ');
    }
};

} // namespace

class TestInputSteps : public QObject {
    Q_OBJECT
private slots:
    void scenarios_data();
    void scenarios();
    void normalize_data();
    void normalize();
    void characterFilter();
    void enterNavigation();
    void busyFlagSuspendsSteps();
};

void TestInputSteps::scenarios_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("computations");

    const QString notAll = QString(InputMessages::NotAllFilled) + " (stop)";
    QTest::newRow("cells computed") << "a=6; b=3; c=3; d=2; calc"
                                    << "6 3 3 2 9 5 9 5 14"
                                    << "" << 1;
    QTest::newRow("row sum at once, column waits for c") << "b=3; a=6"
                                                         << "6 3 _ _ 9 _ _ _ _"
                                                         << "" << 0;
    QTest::newRow("exactly 20000") << "a=5000; b=5000; c=5000; d=5000; calc"
                                   << "5000 5000 5000 5000 10000 10000 10000 10000 20000"
                                   << "" << 1;
    QTest::newRow("20001 refused, sums shown")
        << "a=5000; b=5000; c=5000; d=5001; calc"
        << "5000 5000 5000 5001 10000 10001 10000 10001 20001"
        << QString(InputMessages::CellsOver20000) + " (info)" << 0;
    QTest::newRow("margins without a") << "m=8; k=6; s=10; calc"
                                       << "_ _ _ _ 8 2 6 4 10"
                                       << "" << 1;
    QTest::newRow("a lowered to k") << "m=8; k=6; s=10; a=7; calc"
                                    << "6 2 0 2 8 2 6 4 10"
                                    << "" << 1;
    QTest::newRow("a typed before k is emptied") << "m=8; a=7; k=6; s=10"
                                                 << "_ _ _ _ 8 _ 6 _ 10"
                                                 << "" << 0;
    QTest::newRow("tab through m switches to margins") << "a=6; b=3; c=3; d=2; m=9"
                                                       << "6 _ _ _ 9 _ 9 _ 14"
                                                       << "" << 0;
    QTest::newRow("margins rebuild the same table") << "a=6; b=3; c=3; d=2; m=9; k=9; calc"
                                                    << "6 3 3 2 9 5 9 5 14"
                                                    << "" << 1;
    QTest::newRow("total lowers margins") << "m=8; k=6; s=5"
                                          << "_ _ _ _ 5 _ 5 _ 5"
                                          << "" << 0;
    QTest::newRow("margin raises total") << "s=4; m=10"
                                         << "_ _ _ _ 10 _ _ _ 10"
                                         << "" << 0;
    QTest::newRow("small total empties a") << "a=5; s=3"
                                           << "_ _ _ _ _ _ _ _ 3"
                                           << "" << 0;
    QTest::newRow("margin fills an empty total") << "m=8; k=6; calc"
                                                 << "_ _ _ _ 8 0 6 2 8"
                                                 << "" << 1;
    QTest::newRow("total missing") << "m=8; k=6; s=; calc"
                                   << "_ _ _ _ 8 _ 6 _ _" << notAll << 0;
    QTest::newRow("all empty") << "calc"
                               << "_ _ _ _ _ _ _ _ _" << notAll << 0;
    QTest::newRow("inconsistent margins")
        << "s=3; a=5; b=4; c=1; calc"
        << "5 4 1 _ 9 _ 6 _ 3" << QString(InputMessages::InconsistentMargins) + " (stop)" << 0;
    QTest::newRow("margin total over 20000")
        << "m=5; k=5; s=20001; calc"
        << "_ _ _ _ 5 _ 5 _ 20001" << QString(InputMessages::TotalOver20000) + " (info)" << 0;
    // Equality and zero at the edges of the steps' comparisons.
    QTest::newRow("k equal to a keeps a") << "a=6; m=8; k=6; s=10; calc"
                                          << "6 2 0 2 8 2 6 4 10"
                                          << "" << 1;
    QTest::newRow("total equal to a keeps a") << "a=5; s=5"
                                              << "5 _ _ _ _ _ _ _ 5"
                                              << "" << 0;
    QTest::newRow("total 0 lowers margins") << "m=8; k=6; s=0"
                                            << "_ _ _ _ 0 _ 0 _ 0"
                                            << "" << 0;
    QTest::newRow("margin total exactly 20000") << "m=5; k=5; s=20000; calc"
                                                << "_ _ _ _ 5 19995 5 19995 20000"
                                                << "" << 1;
    QTest::newRow("k above the total")
        << "s=3; a=1; c=4; b=1; calc"
        << "1 1 4 _ 2 _ 5 _ 3" << QString(InputMessages::InconsistentMargins) + " (stop)" << 0;
    QTest::newRow("k missing") << "m=8; s=10; calc"
                               << "_ _ _ _ 8 _ _ _ 10" << notAll << 0;
    QTest::newRow("a above m lowered to m") << "m=5; k=6; s=10; a=7; calc"
                                            << "5 0 1 4 5 5 6 4 10"
                                            << "" << 1;
    QTest::newRow("zero cell gives its row sum") << "b=3; a=0"
                                                 << "0 3 _ _ 3 _ _ _ _"
                                                 << "" << 0;
    QTest::newRow("zero first row completes the total") << "a=0; m=0; c=2; d=3"
                                                        << "0 _ 2 3 0 5 2 _ 5"
                                                        << "" << 0;
    QTest::newRow("zero first column completes the total") << "a=0; k=0; b=2; d=3"
                                                           << "0 2 _ 3 2 _ 0 5 5"
                                                           << "" << 0;
    QTest::newRow("all-zero table reaches the core") << "a=0; b=0; c=0; d=0; calc"
                                                     << "0 0 0 0 0 0 0 0 0"
                                                     << "" << 1;
    // Faults the field steps mend.
    QTest::newRow("emptied total keeps margins") << "m=8; k=6; s=10; a=4; s="
                                                 << "_ _ _ _ 8 _ 6 _ _"
                                                 << "" << 0;
    QTest::newRow("a below feasible range is raised") << "m=8; k=6; s=10; a=1; calc"
                                                      << "4 4 2 0 8 2 6 4 10"
                                                      << "" << 1;
    QTest::newRow("huge cells never wrap")
        << "a=2147483647; b=2147483647; c=1; d=1; calc"
        << "2147483647 2147483647 1 1 _ 2 _ _ _"
        << QString(InputMessages::CellsOver20000) + " (info)" << 0;
    QTest::newRow("wrapping total refused")
        << "a=2147483647; b=0; c=1; d=0; calc"
        << "2147483647 0 1 0 2147483647 1 _ 0 _"
        << QString(InputMessages::CellsOver20000) + " (info)" << 0;
}

void TestInputSteps::scenarios()
{
    QFETCH(QString, script);
    QFETCH(QString, message);
    TRun run;
    run.Play(script);
    QTEST(QString::fromStdString(run.fields.Shown()), "shown");
    // The values and the fields always agree.
    QCOMPARE(run.Values(), QString::fromStdString(run.fields.Shown()));
    QCOMPARE(Messages(run.messages), message.isEmpty() ? QStringList() : QStringList{message});
    QTEST(run.computations, "computations");
    if (run.computations) {
        QVERIFY(run.fields.table.s >= 0);
        QVERIFY(run.fields.table.s <= 20000);
    }
}

void TestInputSteps::normalize_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("value");
    QTest::newRow("leading zeros") << "0012"
                                   << "12" << 12;
    QTest::newRow("blanks and tabs") << " \t12 \r\n"
                                     << "12" << 12;
    QTest::newRow("letters") << "abc"
                             << "0" << 0;
    QTest::newRow("negative") << "-5"
                              << "" << -1;
    QTest::newRow("plus sign") << "+5"
                               << "5" << 5;
    QTest::newRow("minus zero") << "-0"
                                << "0" << 0;
    QTest::newRow("largest") << "2147483647"
                             << "2147483647" << 2147483647;
    QTest::newRow("most negative") << "-2147483648"
                                   << "" << -1;
    QTest::newRow("beyond 32 bits") << "2147483648"
                                    << "0" << 0;
    QTest::newRow("far beyond") << QString(10000, '9') << "0" << 0;
    QTest::newRow("arabic-indic digits") << "١٢"
                                         << "0" << 0;
    QTest::newRow("inner blank") << "1 2"
                                 << "0" << 0;
    QTest::newRow("only blanks") << "   "
                                 << "" << -1;
    QTest::newRow("sign alone") << "-"
                                << "0" << 0;
}

void TestInputSteps::normalize()
{
    QFETCH(QString, typed);
    TTextFields fields;
    fields.SetText(TField::b, typed.toStdString());
    QTEST(NormalizeEdit(fields, TField::b), "value");
    QTEST(QString::fromStdString(fields.Text(TField::b)), "shown");
}

void TestInputSteps::characterFilter()
{
    for (char32_t ch = 0; ch < 0x500; ++ch)
        QCOMPARE(CharAllowed(ch, false), (ch >= U'0' && ch <= U'9') || ch == 8);
    QVERIFY(!CharAllowed(U'٣', false));
    QVERIFY(CharAllowed(U'x', true));
    QVERIFY(CharAllowed(13, true));
}

void TestInputSteps::enterNavigation()
{
    TRecordingFields fields;
    for (TField f : {TField::a, TField::b, TField::c, TField::d, TField::m, TField::k, TField::s})
        QVERIFY(EnterPressed(fields, f, false));
    QCOMPARE(fields.focus, (std::vector<std::string>{"b", "c", "d", "Расчет", "k", "s", "Расчет"}));
    QVERIFY(!EnterPressed(fields, TField::n, false));
    QVERIFY(!EnterPressed(fields, TField::a, true));
}

void TestInputSteps::busyFlagSuspendsSteps()
{
    TRecordingFields fields;
    fields.SetText(TField::a, "6");
    fields.SetText(TField::b, "3");
    fields.editBusy = true;
    FieldExit(fields, fields.table, fields.editBusy, TField::a);
    QCOMPARE(fields.Shown(), std::string("6 3 _ _ _ _ _ _ _"));
    QVERIFY(fields.editBusy);
    fields.editBusy = false;
    FieldExit(fields, fields.table, fields.editBusy, TField::a);
    QCOMPARE(fields.Shown(), std::string("6 3 _ _ 9 _ _ _ _"));
    QVERIFY(!fields.editBusy);
}

QTEST_GUILESS_MAIN(TestInputSteps)
#include "tst_inputsteps.moc"
