#include "help/FormHelp.h"
#include "help/HelpContent.h"
#include "mainwin/FormVelmar.h"
#include "mainwin/OrderlyEnd.h"
#include "tests/gui/TestPorts.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <csignal>

namespace {

const char *const FieldObjectNames[FieldCount] = {"Ea",  "Eb", "Ec",  "Ed", "Em",
                                                  "Em_", "Ek", "Ek_", "En"};

// Field texts in the order a, b, c, d, m, n, k, t, s.
using TTexts = QStringList;

TField FieldByLetter(QChar letter)
{
    const QString letters = QStringLiteral("abcdmnkts");
    return TField(letters.indexOf(letter));
}

// Types text key by key; characters beyond Latin-1 come as a key with that text,
// as a Cyrillic layout sends them.
void TypeText(QWidget *widget, const QString &text)
{
    for (QChar ch : text) {
        if (ch.unicode() < 128) {
            QTest::keyClick(widget, char(ch.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_A, QString(ch), Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_A, QString(ch), Qt::NoModifier);
        }
    }
}

} // namespace

class TestFormVelmar : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    TSettingsKey m_key;
    TSettingsStore m_store;
    std::unique_ptr<TTestPorts> m_ports;
    TInputTable m_table;
    bool m_editBusy = false;
    TFisherDistribution m_dist;
    TJournal m_journal; // the cursor's and the views' steps of a computation
    TLineSink m_report;
    std::unique_ptr<TRecordingViews> m_views;
    std::unique_ptr<TFormVelmar> m_form;

    void createForm()
    {
        m_form =
            std::make_unique<TFormVelmar>(m_store, m_ports->ports, m_table, m_editBusy, m_dist);
        m_form->setResultViews(m_views.get());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

    QLineEdit *field(TField f) const { return m_form->field(f); }
    QPushButton *button(const char *name) const
    {
        return m_form->findChild<QPushButton *>(QLatin1String(name));
    }
    QWidget *focused() const { return QApplication::focusWidget(); }

    TTexts texts() const
    {
        TTexts result;
        for (int i = 0; i < FieldCount; ++i)
            result << field(TField(i))->text();
        return result;
    }

    // "a=8 b=2": click into each field and type; the field left runs its exit step.
    void enter(const QString &script)
    {
        for (const QString &item : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QLineEdit *edit = field(FieldByLetter(item.at(0)));
            QTest::mouseClick(edit, Qt::LeftButton);
            QCOMPARE(focused(), edit);
            edit->selectAll();
            QTest::keyClicks(edit, item.mid(2));
        }
    }

    void clickCompute() { QTest::mouseClick(button("BtnComp"), Qt::LeftButton); }

private Q_SLOTS:
    void initTestCase() { InstallModalWatchdog(this); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_key = {m_dir->path(), QStringLiteral("\\Software\\VLM-2010-v2")};
        m_store = {m_key};
        m_ports = std::make_unique<TTestPorts>();
        m_journal.clear();
        m_ports->cursor.journal = &m_journal;
        m_table = TInputTable();
        m_editBusy = false;
        m_views = std::make_unique<TRecordingViews>(m_report, m_dist, m_table);
        m_views->journal = &m_journal;
        createForm();
    }

    void cleanup() { m_form.reset(); }

    void layout()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Велмар (v. 2.0)"));
        QCOMPARE(m_form->pos(), QPoint(334, 43));
        QCOMPARE(m_form->size(), QSize(278, 219));
        QVERIFY(!m_form->windowIcon().isNull());
        auto *group = m_form->findChild<QGroupBox *>(QStringLiteral("GroupBox1"));
        QVERIFY(group);
        QCOMPARE(group->title(), QStringLiteral("Данные для расчета"));

        const QPoint places[FieldCount] = {{24, 24},  {104, 24}, {24, 56},   {104, 56}, {200, 24},
                                           {200, 56}, {24, 104}, {104, 104}, {200, 104}};
        for (int i = 0; i < FieldCount; ++i) {
            QLineEdit *edit = field(TField(i));
            QCOMPARE(edit->objectName(), QLatin1String(FieldObjectNames[i]));
            QCOMPARE(edit->geometry(), QRect(places[i], QSize(50, 21)));
            QVERIFY(edit->text().isEmpty());
        }
        QCOMPARE(field(TField::a)->palette().color(QPalette::Base), QColor(255, 251, 240));
        QCOMPARE(field(TField::m)->palette().color(QPalette::Base), QColor(0, 255, 255));
        QCOMPARE(field(TField::n)->palette().color(QPalette::Base), QColor(192, 192, 192));
        QVERIFY(field(TField::n)->isReadOnly());
        QVERIFY(field(TField::t)->isReadOnly());
        QVERIFY(!field(TField::s)->isReadOnly());

        auto *title = m_form->findChild<QLabel *>(QStringLiteral("LblTitle"));
        QVERIFY(title);
        QCOMPARE(title->text(), QStringLiteral("Эффектный статистический критерий"));
        QCOMPARE(title->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(title->cursor().hotSpot(), QPoint(5, 0));
        QCOMPARE(title->cursor().pixmap().size(), QSize(32, 32));
        QCOMPARE(button("BtnClear")->toolTip(),
                 QStringLiteral(
                     "Очистка формы. При нажатом Ctrl удалит настройки, сохраненные в реестре"));
        QCOMPARE(button("BtnComp")->text(), QStringLiteral("Расчет"));
        QCOMPARE(button("BtnHelp")->text(), QStringLiteral("Помощь"));
        for (const char *name : {"BtnComp", "BtnClear", "BtnHelp"})
            QVERIFY(!button(name)->icon().isNull());
    }

    void tabOrder()
    {
        QCOMPARE(focused(), field(TField::a));
        QStringList visited;
        for (int i = 0; i < 10; ++i) {
            QTest::keyClick(focused(), Qt::Key_Tab);
            visited << focused()->objectName();
        }
        QCOMPARE(visited, (QStringList{"Eb", "Ec", "Ed", "Em", "Ek", "En", "BtnComp", "BtnClear",
                                       "BtnHelp", "Ea"}));
        QTest::keyClick(focused(), Qt::Key_Backtab);
        QCOMPARE(focused(), button("BtnHelp"));
    }

    void typingFilter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("afterExit");
        QTest::newRow("digits") << "123"
                                << "123"
                                << "123";
        QTest::newRow("letters and signs dropped") << "1a-2+ 3."
                                                   << "123"
                                                   << "123";
        QTest::newRow("cyrillic dropped") << "ы4ё5"
                                          << "45"
                                          << "45";
        QTest::newRow("backspace kept") << "12\b3"
                                        << "13"
                                        << "13";
        QTest::newRow("leading zeros go on exit") << "0012"
                                                  << "0012"
                                                  << "12";
        QTest::newRow("nothing typed") << "x"
                                       << ""
                                       << "";
    }

    void typingFilter()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, afterExit);
        TypeText(field(TField::a), typed);
        QCOMPARE(field(TField::a)->text(), shown);
        QTest::keyClick(field(TField::a), Qt::Key_Tab);
        QCOMPARE(field(TField::a)->text(), afterExit);
    }

    void pasteNotFiltered_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("afterExit");
        QTest::newRow("letters become 0") << "abc"
                                          << "0";
        QTest::newRow("negative empties") << "-5"
                                          << "";
        QTest::newRow("blanks trimmed") << " 42 "
                                        << "42";
    }

    void pasteNotFiltered()
    {
        QFETCH(QString, pasted);
        QFETCH(QString, afterExit);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(field(TField::b), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(field(TField::b)->text(), pasted);
        QTest::keyClick(field(TField::b), Qt::Key_Tab);
        QCOMPARE(field(TField::b)->text(), afterExit);
    }

    void enterNavigation_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("a") << "Ea"
                           << "Eb";
        QTest::newRow("b") << "Eb"
                           << "Ec";
        QTest::newRow("c") << "Ec"
                           << "Ed";
        QTest::newRow("d") << "Ed"
                           << "BtnComp";
        QTest::newRow("m") << "Em"
                           << "Ek";
        QTest::newRow("k") << "Ek"
                           << "En";
        QTest::newRow("s") << "En"
                           << "BtnComp";
    }

    void enterNavigation()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        auto *start = m_form->findChild<QLineEdit *>(from);
        start->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(start, Qt::Key_Return);
        QCOMPARE(focused()->objectName(), to);
        // Enter moves on; it does not press the button.
        QVERIFY(m_ports->messages.shown.empty());
    }

    // The worked example typed with Tab and Enter, then Enter on "Расчет".
    void keyboardOnly()
    {
        QTest::keyClicks(focused(), QStringLiteral("8"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), QStringLiteral("2"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QTest::keyClicks(focused(), QStringLiteral("1"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QTest::keyClicks(focused(), QStringLiteral("5"));
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(focused(), button("BtnComp"));
        QCOMPARE(texts(), (TTexts{"8", "2", "1", "5", "10", "6", "9", "7", "16"}));
        QCOMPARE(m_views->reports, 0);
        QTest::keyClick(focused(), Qt::Key_Return);
        QCOMPARE(m_views->reports, 1);
        QCOMPARE(m_views->charts, 1);
        QVERIFY(m_ports->messages.shown.empty());
    }

    void exitStepsWhileTyping()
    {
        // Leaving a with b present gives m at once; k waits for c.
        enter(QStringLiteral("b=3 a=6 d=2"));
        QCOMPARE(texts(), (TTexts{"6", "3", "", "2", "9", "", "", "", ""}));
        // Passing through m switches the table to margin input.
        enter(QStringLiteral("c=3 m=9 k=9"));
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(texts(), (TTexts{"6", "", "", "", "9", "", "9", "", "14"}));
    }

    // A click on "Расчет" sees the exit step of the field being left.
    void exitStepBeforeButton_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<TTexts>("shown");
        QTest::newRow("total typed last")
            << "m=8 k=6 s=10" << TTexts{"", "", "", "", "8", "2", "6", "4", "10"};
        QTest::newRow("a typed last")
            << "m=8 k=6 s=10 a=7" << TTexts{"6", "2", "0", "2", "8", "2", "6", "4", "10"};
        QTest::newRow("margin typed last empties the cells")
            << "a=6 b=3 c=3 d=2 m=9" << TTexts{"6", "3", "3", "2", "9", "5", "9", "5", "14"};
    }

    void exitStepBeforeButton()
    {
        QFETCH(QString, script);
        QFETCH(TTexts, shown);
        enter(script);
        clickCompute();
        QCOMPARE(focused(), button("BtnComp"));
        QVERIFY(m_ports->messages.shown.empty());
        QCOMPARE(m_views->reports, 1);
        QCOMPARE(texts(), shown);
    }

    void messageBoxes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<TTexts>("shown");
        const int stop = int(TMsgIcon::Stop), information = int(TMsgIcon::Information);
        QTest::newRow("cells above 20000")
            << "a=5000 b=5000 c=5000 d=5001" << InputMessages::CellsOver20000 << information
            << TTexts{"5000", "5000", "5000", "5001", "10000", "10001", "10000", "10001", "20001"};
        QTest::newRow("nothing entered") << "" << InputMessages::NotAllFilled << stop
                                         << TTexts{"", "", "", "", "", "", "", "", ""};
        QTest::newRow("total above 20000")
            << "m=8 k=6 s=20001" << InputMessages::TotalOver20000 << information
            << TTexts{"", "", "", "", "8", "", "6", "", "20001"};
        QTest::newRow("inconsistent margins")
            << "s=3 a=5 b=4 c=1" << InputMessages::InconsistentMargins << stop
            << TTexts{"5", "4", "1", "", "9", "", "6", "", "3"};
        QTest::newRow("computation refused")
            << "a=0 b=0 c=0 d=0"
            << "Ошибка" << stop << TTexts{"0", "0", "0", "0", "0", "0", "0", "0", "0"};
    }

    void messageBoxes()
    {
        QFETCH(QString, script);
        QFETCH(QString, text);
        QFETCH(int, icon);
        QFETCH(TTexts, shown);
        enter(script);
        clickCompute();
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(m_ports->messages.shown[0].text), text);
        QCOMPARE(m_ports->messages.shown[0].caption, std::string());
        QCOMPARE(int(m_ports->messages.shown[0].icon), icon);
        QCOMPARE(m_views->reports, 0);
        QCOMPARE(texts(), shown);
    }

    void busyCursorWhileComputing()
    {
        enter(QStringLiteral("a=8 b=2 c=1 d=5"));
        clickCompute();
        QCOMPARE(m_ports->cursor.pushes, 1);
        QCOMPARE(m_ports->cursor.depth, 0);
        QCOMPARE(m_journal, (TJournal{"busy", "report", "chart", "idle"}));
    }

    void clear_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("keyStored");
        QTest::addColumn<bool>("keyAfterClose");
        QTest::newRow("plain, key stored") << false << true << true;
        QTest::newRow("ctrl, key stored") << true << true << false;
        QTest::newRow("ctrl, no key") << true << false << true;
        QTest::newRow("plain, no key") << false << false << true;
    }

    void clear()
    {
        QFETCH(bool, ctrl);
        QFETCH(bool, keyStored);
        QFETCH(bool, keyAfterClose);
        if (keyStored) {
            QCOMPARE(EnsureKey(m_key), 0);
            WriteStringValue(m_key, QStringLiteral("Ed_a"), QStringLiteral("7"));
        }
        enter(QStringLiteral("a=8 b=2 c=1 d=5"));
        clickCompute();
        if (ctrl)
            m_ports->keys.Press(VkControl);
        QTest::mouseClick(button("BtnClear"), Qt::LeftButton);
        QCOMPARE(texts(), (TTexts{"", "", "", "", "", "", "", "", ""}));
        for (int i = 0; i < FieldCount; ++i)
            QCOMPARE(m_table.At(i), -1);
        QCOMPARE(KeyExists(m_key), keyStored && !ctrl);
        QCOMPARE(m_store.SaveEnabled, keyAfterClose);

        // The next "Расчет" finds nothing entered.
        clickCompute();
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(m_ports->messages.shown[0].text, std::string(InputMessages::NotAllFilled));

        m_form->close();
        QCOMPARE(KeyExists(m_key), keyAfterClose);
        if (keyAfterClose)
            QCOMPARE(ReadStringValue(m_key, QStringLiteral("Ed_a")), QString());
    }

    void closeSavesAndNextStartRestores()
    {
        enter(QStringLiteral("a=8 b=2 c=1 d=5"));
        m_form->move(40, 30);
        m_form->resize(300, 240);
        QSignalSpy closed(m_form.get(), &TFormVelmar::closed);
        m_form->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(KeyExists(m_key));
        QCOMPARE(ReadStringValue(m_key, QStringLiteral("Ed_d")), QStringLiteral("5"));

        m_table = TInputTable(); // a new run
        createForm();
        QCOMPARE(texts(), (TTexts{"8", "2", "1", "5", "10", "6", "9", "7", "16"}));
        QCOMPARE(m_form->pos(), QPoint(40, 30));
        QCOMPARE(m_form->size(), QSize(300, 240));
        QCOMPARE(focused(), field(TField::a));
    }

#ifndef _WIN32
    // Windows sends a window program no SIGTERM, SIGINT or SIGHUP; there the
    // session's end stands in, which a test cannot raise.
    void orderlyEndOnSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void orderlyEndOnSignal()
    {
        QFETCH(int, signal);
        struct sigaction before = {};
        QCOMPARE(sigaction(signal, nullptr, &before), 0);
        if (before.sa_handler == SIG_IGN)
            QSKIP("the signal is ignored in this process, and stays so");
        enter(QStringLiteral("a=8 b=2"));
        QSignalSpy closed(m_form.get(), &TFormVelmar::closed);
        {
            const TOrderlyEnd end(m_form.get());
            QVERIFY(end.isActive());
            QCOMPARE(raise(signal), 0);
            QTRY_COMPARE(closed.count(), 1);
        }
        QCOMPARE(ReadStringValue(m_key, QStringLiteral("Ed_a")), QStringLiteral("8"));
        QCOMPARE(ReadStringValue(m_key, QStringLiteral("Ed_b")), QStringLiteral("2"));
        QCOMPARE(ReadIntegerValue(m_key, QStringLiteral("FormFLeft")), m_form->x());
        // The handlers the test had before are back.
        struct sigaction after = {};
        QCOMPARE(sigaction(signal, nullptr, &after), 0);
        QVERIFY(after.sa_handler == before.sa_handler);
    }
#endif

    void shiftAtStart_data()
    {
        QTest::addColumn<bool>("shift");
        QTest::newRow("loaded") << false;
        QTest::newRow("shift held") << true;
    }

    void shiftAtStart()
    {
        QFETCH(bool, shift);
        QCOMPARE(EnsureKey(m_key), 0);
        WriteStringValue(m_key, QStringLiteral("Ed_a"), QStringLiteral("4"));
        WriteStringValue(m_key, QStringLiteral("Ed_m"), QStringLiteral("8"));
        WriteStringValue(m_key, QStringLiteral("Ed_k"), QStringLiteral("6"));
        WriteStringValue(m_key, QStringLiteral("Ed_s"), QStringLiteral("10"));
        WriteIntegerValue(m_key, QStringLiteral("FormFLeft"), 10);
        WriteIntegerValue(m_key, QStringLiteral("FormFWidth"), 290);
        WriteIntegerValue(m_key, QStringLiteral("FormFTop"), 20);
        WriteIntegerValue(m_key, QStringLiteral("FormFHeight"), 230);
        m_form.reset();
        m_table = TInputTable(); // a new run
        if (shift)
            m_ports->keys.Press(VkShift);
        createForm();
        if (shift) {
            QCOMPARE(texts(), (TTexts{"", "", "", "", "", "", "", "", ""}));
            QCOMPARE(m_form->pos(), QPoint(334, 43));
        } else {
            QCOMPARE(texts(), (TTexts{"4", "", "", "", "8", "", "6", "", "10"}));
            QCOMPARE(m_form->pos(), QPoint(10, 20));
            QCOMPARE(m_form->size(), QSize(290, 230));
        }
        QVERIFY(!m_editBusy);
        // Shift or not, the end of the run writes the fields.
        m_form->close();
        QCOMPARE(ReadStringValue(m_key, QStringLiteral("Ed_a")),
                 shift ? QString() : QStringLiteral("4"));
    }

    void placementOffScreenIgnored_data()
    {
        // Distances from the screen's right and bottom edges, and the stored size.
        QTest::addColumn<QSize>("fromCorner");
        QTest::addColumn<QSize>("size");
        QTest::newRow("one pixel beyond the right edge") << QSize(299, 1024) << QSize(300, 200);
        // The window cannot shrink below what its controls need.
        QTest::newRow("tiny in the corner") << QSize(20, 20) << QSize(11, 11);
    }

    void placementOffScreenIgnored()
    {
        QFETCH(QSize, fromCorner);
        QFETCH(QSize, size);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(EnsureKey(m_key), 0);
        WriteIntegerValue(m_key, QStringLiteral("FormFLeft"), screen.width() - fromCorner.width());
        WriteIntegerValue(m_key, QStringLiteral("FormFWidth"), size.width());
        WriteIntegerValue(m_key, QStringLiteral("FormFTop"),
                          qMax(0, screen.height() - fromCorner.height()));
        WriteIntegerValue(m_key, QStringLiteral("FormFHeight"), size.height());
        m_form.reset();
        createForm();
        QCOMPARE(m_form->pos(), QPoint(334, 43));
        QCOMPARE(m_form->size(), QSize(278, 219));
    }

    void endOfRunRemovesHelpPictures()
    {
        // The pictures go into a folder of this run's own, never beside the
        // program, and the folder goes with the main window.
        HelpContentReady = false;
        TFormHelp help;
        m_form->setHelpWindow(&help);
        QTest::mouseClick(button("BtnHelp"), Qt::LeftButton);
        const QRegularExpression picture(QStringLiteral("src=\"([^\"]+)/Pic 3\\.gif\""));
        const QString folder =
            QUrl(picture.match(help.Browser(4)->toHtml()).captured(1)).toLocalFile();
        QVERIFY(QDir::isAbsolutePath(folder));
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), HelpPictureCount);
        QVERIFY(!QFileInfo::exists(QCoreApplication::applicationDirPath() + "/Pic 3.gif"));
        m_form.reset();
        QVERIFY(!QFileInfo::exists(folder));
    }
};

QTEST_MAIN(TestFormVelmar)
#include "tst_formvelmar.moc"
