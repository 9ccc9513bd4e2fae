// The chart window: option states after loads and clicks, settings round trips,
// the shared colour dialog, saving the picture, redraws on resize.

#include "chart/FrmGraph.h"
#include "core/Fisher.h"
#include "report/Report.h"
#include "tests/gui/TestPorts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString KeyPath = QStringLiteral("\\Software\\VLM-2010-v2");

// The enabled states of the controls the option-state table governs, as a word:
// box group, three bar swatches with labels, criterion and level with the strip swatch.
QString States(TFormGraph &form)
{
    auto on = [&form](const char *name) {
        QWidget *w = form.findChild<QWidget *>(QString::fromLatin1(name));
        return w && w->isEnabled();
    };
    QString word;
    word += on("GBoxColor") && on("ChBoxP") && on("ChBoxKrObl") ? 'G' : '-';
    const bool bars = on("Pan_Levee") && on("Pan_a") && on("Pan_Pravee") && on("Lb_left_a") &&
                      on("Lb_a") && on("Lb_right_a");
    const bool barsOff = !on("Pan_Levee") && !on("Pan_a") && !on("Pan_Pravee") &&
                         !on("Lb_left_a") && !on("Lb_a") && !on("Lb_right_a");
    word += bars ? 'P' : barsOff ? '-' : '?';
    const bool regions = on("RGpKrit") && on("RGrpZnach") && on("Pan_KritObl") && on("Lb_krit");
    const bool regionsOff =
        !on("RGpKrit") && !on("RGrpZnach") && !on("Pan_KritObl") && !on("Lb_krit");
    word += regions ? 'K' : regionsOff ? '-' : '?';
    return word;
}

void Select(TFormGraph &form, const char *group, int item)
{
    auto *box = form.findChild<QGroupBox *>(QString::fromLatin1(group));
    QVERIFY(box);
    const QList<QRadioButton *> items = box->findChildren<QRadioButton *>();
    QVERIFY(item < items.size());
    items.at(item)->click();
}

QCheckBox *Box(TFormGraph &form, const char *name)
{
    return form.findChild<QCheckBox *>(QString::fromLatin1(name));
}

TColor At(const QImage &image, int col, int row)
{
    return RgbToColor(image.pixel(col, row));
}

} // namespace

class TestFormGraph : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallModalWatchdog(this); }
    void init();
    void cleanup();
    void designState();
    void hints_data();
    void hints();
    void loads_data();
    void loads();
    void shiftKeepsDesignState();
    void statesAfterClicks();
    void handlersOnlyOnChange();
    void settingsRoundTrip();
    void nothingWrittenWhenSavingDisabled();
    void positionKeptWhereUnknown();
    void closingOnlyHides();
    void sharedColourDialog();
    void saveBitmap();
    void saveBitmapFailure();
    void workedExampleAndResize();
    void enteredAReadAtEachRedraw();

private:
    std::unique_ptr<TFormGraph> makeForm();
    void store(const QVariantMap &values);

    std::unique_ptr<QTemporaryDir> m_dir;
    TSettingsKey m_key;
    TSettingsStore m_store;
    std::unique_ptr<TTestPorts> m_ports;
    int m_redraws = 0; // every redraw reads the entered a once
    TFisherDistribution m_dist;
    int32_t m_enteredA = -1;
    TCriticalBounds m_bounds;
};

void TestFormGraph::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_key = {m_dir->path(), KeyPath};
    m_store = {m_key};
    m_ports = std::make_unique<TTestPorts>();
    m_redraws = 0;
    QCOMPARE(ComputeDistribution(m_dist, 16, 10, 9), 0);
    m_enteredA = 8;
    m_bounds = ComputeCriticalBounds(m_dist);
}

void TestFormGraph::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<TFormGraph> TestFormGraph::makeForm()
{
    return std::make_unique<TFormGraph>(m_store, m_ports->ports, m_dist, [this] {
        ++m_redraws;
        return m_enteredA;
    });
}

void TestFormGraph::store(const QVariantMap &values)
{
    QVERIFY(EnsureKey(m_key) != 2);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        WriteIntegerValue(m_key, it.key(), it.value().toInt());
}

void TestFormGraph::designState()
{
    const auto form = makeForm();
    QCOMPARE(form->windowTitle(), QStringLiteral("График распределения"));
    QCOMPARE(form->pos(), QPoint(68, 69));
    QCOMPARE(form->size(), QSize(875, 507));
    QCOMPARE(States(*form), QStringLiteral("GP-"));
    const TChartOptions options = form->Options();
    QCOMPARE(options.colorIndex, 0);
    QVERIFY(options.pChecked);
    QVERIFY(!options.krOblChecked);
    QCOMPARE(options.kritIndex, 0);
    QCOMPARE(options.znachIndex, 0);
    QCOMPARE(options.leveeColor, TColor(0x0000FF));
    QCOMPARE(options.aColor, TColor(0xFF0000));
    QCOMPARE(options.praveeColor, TColor(0x008000));
    QCOMPARE(options.kritOblColor, TColor(0x000080));
    for (const char *swatch : {"Pan_Levee", "Pan_a", "Pan_Pravee"})
        QCOMPARE(form->findChild<QWidget *>(swatch)->size(), QSize(9, 19));
    QCOMPARE(form->findChild<QWidget *>("Pan_KritObl")->size(), QSize(41, 7));
    QVERIFY(!form->findChild<QPushButton *>("BtnSave")->icon().isNull());
    QVERIFY(!form->windowIcon().isNull());
    QVERIFY(!form->isVisible());
    // Nothing drawn before the first computation's ShowChart.
    QCOMPARE(form->Picture().size(), QSize(875, 473));
}

void TestFormGraph::hints_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::newRow("save") << "BtnSave"
                          << "Созранить картинку в bmp-файле";
    QTest::newRow("colouring")
        << "RGrpColor"
        << "Раскрашивает диаграмму разными цветами и указывает критические области";
    QTest::newRow("P(a)") << "ChBoxP"
                          << "Раскраска столбиков";
    QTest::newRow("regions") << "ChBoxKrObl"
                             << "Изображение критических интервалов";
    QTest::newRow("criterion")
        << "RGpKrit"
        << "Выбор двухстороннего, левостороннего или правостороннего критерия";
    QTest::newRow("level") << "RGrpZnach"
                           << "Выбор одного из уровней значимости";
    QTest::newRow("left swatch") << "Pan_Levee"
                                 << "Цвет столбиков для значений \"a\", которые меньше данного";
    QTest::newRow("a swatch") << "Pan_a"
                              << "Цвет столбика для введенного значения \"a\" или всех столбцов, "
                                 "если \"a\" не введено";
    QTest::newRow("right swatch") << "Pan_Pravee"
                                  << "Цвет столбиков для значений \"a\", которые больше данного";
    QTest::newRow("strip swatch") << "Pan_KritObl"
                                  << "Этим цветом подчеркивается критическая область";
}

void TestFormGraph::hints()
{
    QFETCH(QString, name);
    QFETCH(QString, hint);
    const auto form = makeForm();
    QWidget *control = form->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->toolTip(), hint);
}

void TestFormGraph::loads_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QString>("states");
    QTest::addColumn<QList<int>>("options"); // colour, P, Kr, krit, znach
    QTest::addColumn<QList<int>>("colours"); // levee, a, pravee, kritObl
    QTest::addColumn<QRect>("geometry");

    const QList<int> design{0x0000FF, 0xFF0000, 0x008000, 0x000080};
    const QRect designPlace(68, 69, 875, 507);
    QVariantMap full{{"FormGLeft", 10},
                     {"FormGWidth", 508},
                     {"FormGTop", 20},
                     {"FormGHeight", 427},
                     {"RGrpColorIndex", 0},
                     {"ChBoxPChecked", 1},
                     {"ChBoxKrOblChecked", 1},
                     {"RGpKritIndex", 2},
                     {"RGrpZnachIndex", 1},
                     {"Pan_LeveeColor", 0x010101},
                     {"Pan_aColor", 0x020202},
                     {"Pan_PraveeColor", 0x030303},
                     {"Pan_KritOblColor", 0x040404}};
    const QList<int> stored{0x010101, 0x020202, 0x030303, 0x040404};
    const QRect place(10, 20, 500, 400);

    QTest::newRow("key without chart values keeps the design state")
        << QVariantMap{{"FormFLeft", 5}} << "GP-" << QList<int>{0, 1, 0, 0, 0} << design
        << designPlace;
    QTest::newRow("all stored, Кр.обл. checked")
        << full << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << place;

    QVariantMap off = full;
    off["RGrpColorIndex"] = 1;
    QTest::newRow("colouring off disables everything")
        << off << "---" << QList<int>{1, 1, 1, 2, 1} << stored << place;

    QVariantMap outOfRange = full;
    outOfRange["RGpKritIndex"] = 3;
    outOfRange["RGrpZnachIndex"] = -1;
    outOfRange["RGrpColorIndex"] = 2;
    outOfRange["ChBoxKrOblChecked"] = 0;
    QTest::newRow("items out of range are ignored")
        << outOfRange << "GP-" << QList<int>{0, 1, 0, 0, 0} << stored << place;

    QVariantMap noColour = full;
    noColour.remove("Pan_aColor");
    noColour.remove("ChBoxPChecked");
    QTest::newRow("a deleted colour reads black, a deleted box unchecked")
        << noColour << "G-K" << QList<int>{0, 0, 1, 2, 1}
        << QList<int>{0x010101, 0, 0x030303, 0x040404} << place;

    QVariantMap zeroPlace = full;
    zeroPlace["FormGLeft"] = 0;
    zeroPlace["FormGWidth"] = 0;
    zeroPlace["FormGTop"] = 0;
    zeroPlace["FormGHeight"] = 0;
    QTest::newRow("no placement stored: nothing is read")
        << zeroPlace << "GP-" << QList<int>{0, 1, 0, 0, 0} << design << designPlace;

    QVariantMap narrow = full;
    narrow["FormGWidth"] = 10;
    QTest::newRow("placement refused, options still read")
        << narrow << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << designPlace;

    // The stored size is the frame's, 8 x 27 more than the client area; the
    // tool bar takes 34 pixels of it, and the chart needs 41 x 36 to be drawn.
    QVariantMap flat = full;
    flat["FormGHeight"] = 27;
    QTest::newRow("stored height 27 leaves no client area")
        << flat << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << designPlace;
    QVariantMap low = full;
    low["FormGHeight"] = 27 + 34 + 35;
    QTest::newRow("image one pixel too low to draw on")
        << low << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << designPlace;
    QVariantMap thin = full;
    thin["FormGWidth"] = 8 + 40;
    QTest::newRow("image one pixel too narrow to draw on")
        << thin << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << designPlace;
    QVariantMap smallest = full;
    smallest["FormGWidth"] = 8 + 41;
    smallest["FormGHeight"] = 27 + 34 + 36;
    QTest::newRow("smallest image the chart is drawn on")
        << smallest << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << QRect(10, 20, 41, 70);

    QVariantMap offScreen = full;
    offScreen["FormGLeft"] = 800 - 508 + 1; // one pixel beyond the offscreen screen
    QTest::newRow("placement one pixel off the screen")
        << offScreen << "GPK" << QList<int>{0, 1, 1, 2, 1} << stored << designPlace;
}

void TestFormGraph::loads()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QString, states);
    QFETCH(QList<int>, options);
    QFETCH(QList<int>, colours);
    QFETCH(QRect, geometry);
    store(stored);
    const auto form = makeForm();
    QCOMPARE(States(*form), states);
    const TChartOptions got = form->Options();
    QCOMPARE(
        (QList<int>{got.colorIndex, got.pChecked, got.krOblChecked, got.kritIndex, got.znachIndex}),
        options);
    QCOMPARE((QList<int>{int(got.leveeColor), int(got.aColor), int(got.praveeColor),
                         int(got.kritOblColor)}),
             colours);
    QCOMPARE(QRect(form->pos(), form->size()), geometry);
    // The painter is attached at the image's size, whatever the load did.
    QCOMPARE(form->Picture().size(), QSize(geometry.width(), geometry.height() - 34));
}

void TestFormGraph::shiftKeepsDesignState()
{
    store({{"FormGLeft", 10},
           {"FormGWidth", 508},
           {"FormGTop", 20},
           {"FormGHeight", 427},
           {"RGrpColorIndex", 1},
           {"Pan_aColor", 0x020202}});
    m_ports->keys.Press(VkShift);
    const auto form = makeForm();
    QCOMPARE(States(*form), QStringLiteral("GP-"));
    QCOMPARE(form->Options().aColor, TColor(0xFF0000));
    QCOMPARE(form->pos(), QPoint(68, 69));
}

void TestFormGraph::statesAfterClicks()
{
    const auto form = makeForm();
    Box(*form, "ChBoxKrObl")->click();
    QCOMPARE(States(*form), QStringLiteral("GPK"));
    Select(*form, "RGrpColor", 1);
    QCOMPARE(States(*form), QStringLiteral("---"));
    Select(*form, "RGrpColor", 0);
    QCOMPARE(States(*form), QStringLiteral("GPK"));
    Box(*form, "ChBoxP")->click();
    QCOMPARE(States(*form), QStringLiteral("G-K"));
    Box(*form, "ChBoxKrObl")->click();
    QCOMPARE(States(*form), QStringLiteral("G--"));
    Select(*form, "RGrpColor", 1);
    Select(*form, "RGrpColor", 0);
    QCOMPARE(States(*form), QStringLiteral("G--"));
}

void TestFormGraph::handlersOnlyOnChange()
{
    const auto form = makeForm();
    const int start = m_redraws;
    Box(*form, "ChBoxP")->setChecked(true); // already checked
    Select(*form, "RGrpColor", 0);          // already selected
    QCOMPARE(m_redraws, start);
    Box(*form, "ChBoxKrObl")->click();
    Select(*form, "RGpKrit", 1);
    Select(*form, "RGpKrit", 1);
    Select(*form, "RGrpZnach", 2);
    QCOMPARE(m_redraws, start + 3);
    QCOMPARE(form->Options().kritIndex, 1);
    QCOMPARE(form->Options().znachIndex, 2);
}

void TestFormGraph::settingsRoundTrip()
{
    m_ports->colorDialog.answers = {TColor(0x0A0B0C)};
    {
        const auto form = makeForm();
        form->ShowChart(m_bounds);
        form->move(30, 40);
        form->resize(600, 400);
        Box(*form, "ChBoxKrObl")->click();
        Select(*form, "RGpKrit", 2);
        Select(*form, "RGrpZnach", 1);
        Box(*form, "ChBoxP")->click();
        form->Pan_KritOblClick();
        Select(*form, "RGrpColor", 1);
        QVERIFY(form->close());
    }
    QCOMPARE(ReadIntegerValue(m_key, "FormGLeft"), 30);
    QCOMPARE(ReadIntegerValue(m_key, "FormGTop"), 40);
    QCOMPARE(ReadIntegerValue(m_key, "FormGWidth"), 600 + FormGFrameWidth);
    QCOMPARE(ReadIntegerValue(m_key, "FormGHeight"), 400 + FormGFrameHeight);
    QCOMPARE(ReadIntegerValue(m_key, "RGrpColorIndex"), 1);
    QCOMPARE(ReadBoolValue(m_key, "ChBoxPChecked"), false);
    QCOMPARE(ReadBoolValue(m_key, "ChBoxKrOblChecked"), true);
    QCOMPARE(ReadIntegerValue(m_key, "RGpKritIndex"), 2);
    QCOMPARE(ReadIntegerValue(m_key, "RGrpZnachIndex"), 1);
    QCOMPARE(ReadIntegerValue(m_key, "Pan_LeveeColor"), 0x0000FF);
    QCOMPARE(ReadIntegerValue(m_key, "Pan_aColor"), 0xFF0000);
    QCOMPARE(ReadIntegerValue(m_key, "Pan_PraveeColor"), 0x008000);
    QCOMPARE(ReadIntegerValue(m_key, "Pan_KritOblColor"), 0x0A0B0C);

    const auto again = makeForm();
    QCOMPARE(again->pos(), QPoint(30, 40));
    QCOMPARE(again->size(), QSize(600, 400));
    const TChartOptions options = again->Options();
    QCOMPARE(options.colorIndex, 1);
    QVERIFY(!options.pChecked);
    QVERIFY(options.krOblChecked);
    QCOMPARE(options.kritIndex, 2);
    QCOMPARE(options.znachIndex, 1);
    QCOMPARE(options.kritOblColor, TColor(0x0A0B0C));
    QCOMPARE(States(*again), QStringLiteral("---"));
}

void TestFormGraph::positionKeptWhereUnknown()
{
    store({{"FormGLeft", 5}, {"FormGWidth", 508}, {"FormGTop", 6}, {"FormGHeight", 427}});
    m_store.SavePositions = false;
    {
        const auto form = makeForm();
        form->ShowChart(m_bounds);
        form->move(30, 40);
        form->resize(600, 400);
        QVERIFY(form->close());
    }
    QCOMPARE(ReadIntegerValue(m_key, "FormGLeft"), 5);
    QCOMPARE(ReadIntegerValue(m_key, "FormGTop"), 6);
    QCOMPARE(ReadIntegerValue(m_key, "FormGWidth"), 600 + FormGFrameWidth);
    QCOMPARE(ReadIntegerValue(m_key, "FormGHeight"), 400 + FormGFrameHeight);
}

void TestFormGraph::nothingWrittenWhenSavingDisabled()
{
    {
        const auto form = makeForm();
        form->ShowChart(m_bounds);
        m_store.SaveEnabled = false;
        QVERIFY(form->close());
    }
    QVERIFY(!KeyExists(m_key));
    // A window never shown is not closed by the user: nothing written either.
    m_store.SaveEnabled = true;
    {
        const auto form = makeForm();
        form->close();
    }
    QVERIFY(!KeyExists(m_key));
}

void TestFormGraph::closingOnlyHides()
{
    const auto form = makeForm();
    form->ShowChart(m_bounds);
    QVERIFY(form->isVisible());
    const QPoint place = form->pos();
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(ComputeDistribution(m_dist, 20, 10, 10), 0);
    form->ShowChart(m_bounds);
    QVERIFY(form->isVisible());
    QCOMPARE(form->pos(), place);
}

void TestFormGraph::sharedColourDialog()
{
    const auto form = makeForm();
    TScriptedColorDialog &dialog = m_ports->colorDialog;
    form->ShowChart(m_bounds);
    dialog.answers = {TColor(0x112233), std::nullopt, TColor(0x445566)};
    QTest::mouseClick(form->findChild<QWidget *>("Pan_Levee"), Qt::LeftButton);
    form->Pan_aClick(); // cancelled
    QCOMPARE(form->Options().aColor, TColor(0xFF0000));
    form->Pan_aClick();
    // The strip swatch is disabled while "Кр.обл." is off: no dialog.
    QTest::mouseClick(form->findChild<QWidget *>("Pan_KritObl"), Qt::LeftButton);
    form->Pan_KritOblClick();
    QCOMPARE(dialog.starts, (QList<TColor>{0, 0x112233, 0x112233}));
    QCOMPARE(form->Options().leveeColor, TColor(0x112233));
    QCOMPARE(form->Options().aColor, TColor(0x445566));
    QCOMPARE(form->Options().kritOblColor, TColor(0x000080));
    // The chart took the new colours: a = 3 is left of 8, a = 8 is the entered a.
    QCOMPARE(At(form->Picture(), 104, 449), TColor(0x112233));
    QCOMPARE(At(form->Picture(), 626, 449), TColor(0x445566));
}

void TestFormGraph::saveBitmap()
{
    const auto form = makeForm();
    TScriptedSaveDialog &dialog = m_ports->saveDialog;
    const TRecordingErrorBox &errors = m_ports->errors;
    form->ShowChart(m_bounds);
    const QString bare = m_dir->filePath("chart");
    const QString withExtension = bare + ".bmp";
    QFile old(withExtension);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    dialog.answers = {bare, QString(), m_dir->filePath("other.bmp")};
    form->BtnSaveClick();
    QVERIFY(QFile::exists(withExtension));
    QVERIFY(!QFile::exists(bare));
    const QImage saved(withExtension);
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), form->Picture());
    QFile file(withExtension);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(qFromLittleEndian<quint16>(file.read(30).constData() + 28), quint16(24));

    form->BtnSaveClick(); // cancelled: nothing happens
    form->BtnSaveClick();
    QVERIFY(QFile::exists(m_dir->filePath("other.bmp")));
    form->BtnSaveClick(); // cancelled: the last name is proposed again
    QCOMPARE(dialog.Proposed(),
             (QStringList{QString(), withExtension, withExtension, m_dir->filePath("other.bmp")}));
    QCOMPARE(dialog.requests.first().filter, QStringLiteral("bmp-файл (*.bmp)"));
    QVERIFY(!dialog.requests.first().confirmOverwrite);
    QCOMPARE(errors.shown, QStringList{});
}

void TestFormGraph::saveBitmapFailure()
{
    const auto form = makeForm();
    TScriptedSaveDialog &dialog = m_ports->saveDialog;
    const TRecordingErrorBox &errors = m_ports->errors;
    form->ShowChart(m_bounds);
    const QImage before = form->Picture().copy();
    const QString target = m_dir->filePath("no/such/folder/chart.bmp");
    dialog.answers = {target};
    form->BtnSaveClick();
    QCOMPARE(errors.shown.size(), 1);
    QVERIFY(errors.shown.first().contains(QDir::toNativeSeparators(target)));
    QVERIFY(!QFile::exists(target));
    QCOMPARE(form->Picture(), before);
    QVERIFY(form->isVisible());
}

void TestFormGraph::workedExampleAndResize()
{
    const auto form = makeForm();
    Box(*form, "ChBoxKrObl")->click();
    form->ShowChart(m_bounds);
    TChartOptions options;
    options.krOblChecked = true;
    const QImage expected = RenderChart({m_dist, 8, m_bounds, options}, QSize(875, 473));
    QCOMPARE(form->Picture(), expected);
    QCOMPARE(At(form->Picture(), 415, 11), TColor(0x0000FF));

    form->resize(600, 434);
    QCOMPARE(form->Picture().size(), QSize(600, 400));
    QCOMPARE(form->Picture(), RenderChart({m_dist, 8, m_bounds, options}, QSize(600, 400)));
    // Too small: the last picture stays.
    form->resize(40, 434);
    QCOMPARE(form->Picture().size(), QSize(600, 400));
}

void TestFormGraph::enteredAReadAtEachRedraw()
{
    const auto form = makeForm();
    form->ShowChart(m_bounds);
    QCOMPARE(At(form->Picture(), 210, 449), TColor(0x0000FF)); // a = 4 left of 8
    m_enteredA = 4;
    Select(*form, "RGpKrit", 0); // no change: no redraw
    QCOMPARE(At(form->Picture(), 210, 449), TColor(0x0000FF));
    Box(*form, "ChBoxKrObl")->click();
    QCOMPARE(At(form->Picture(), 210, 449), TColor(0xFF0000)); // now the entered a
    QCOMPARE(At(form->Picture(), 313, 449), TColor(0x008000));
}

QTEST_MAIN(TestFormGraph)
#include "tst_formgraph.moc"
