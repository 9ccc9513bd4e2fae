#include "help/FormHelp.h"
#include "help/HelpContent.h"
#include "help/HelpRequest.h"
#include "tests/gui/TestPorts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QtTest>

#include <memory>

namespace {

// Page index and the enabled states of First, Prev, Next, Last.
struct ToolState {
    int index;
    bool first, prev, next, last;
};

enum Press { PressFirst, PressPrev, PressNext, PressLast };

} // namespace

Q_DECLARE_METATYPE(Press)

class TestFormHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallModalWatchdog(this); }
    void init();
    void cleanup();

    void designState();
    void navigation_data();
    void navigation();
    void labelReadsOneToFive();
    void buttonsCarryHintsAndPictures_data();
    void buttonsCarryHintsAndPictures();

    void firstRequestWritesPicturesAndLoadsPages();
    void laterRequestKeepsPageAndWritesNothing();
    void requestOverwritesOldPicture();
    void requestSkipsUnwritableDirectory();
    void picturesAreShown_data();
    void picturesAreShown();
    void pictureFolderIsPrivateAndGoesAtTheEnd();

private:
    QPushButton *button(const char *name) const
    {
        return m_help->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    ToolState state() const
    {
        return {m_help->PageIndex(), button("BtnFirst")->isEnabled(),
                button("BtnPrev")->isEnabled(), button("BtnNext")->isEnabled(),
                button("BtnLast")->isEnabled()};
    }
    QString label() const { return m_help->findChild<QLabel *>(QStringLiteral("LblPage"))->text(); }
    void goTo(int index)
    {
        m_help->BtnFirstClick();
        for (int i = 0; i < index; ++i)
            m_help->BtnNextClick();
    }

    std::unique_ptr<TFormHelp> m_help;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestFormHelp::init()
{
    HelpContentReady = false;
    m_help = std::make_unique<TFormHelp>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestFormHelp::cleanup()
{
    m_help.reset();
    m_dir.reset();
}

void TestFormHelp::designState()
{
    QCOMPARE(m_help->windowTitle(), QStringLiteral("Помощь"));
    QVERIFY(!m_help->isVisible());
    const ToolState s = state();
    QCOMPARE(s.index, 4);
    QVERIFY(s.first && s.prev && s.next && s.last);
    auto *notebook = m_help->findChild<QStackedWidget *>(QStringLiteral("Notebook"));
    QVERIFY(notebook);
    QCOMPARE(notebook->count(), 5);
    for (int i = 0; i < 5; ++i) {
        const QString name = QStringLiteral("Browser%1").arg(i + 1);
        auto *browser = m_help->findChild<QTextBrowser *>(name);
        QVERIFY2(browser, qPrintable(name));
        QCOMPARE(m_help->Browser(i), browser);
        // Viewer k sits on page k of the container.
        QVERIFY(notebook->widget(i)->isAncestorOf(browser));
        QVERIFY(browser->document()->isEmpty());
    }
    QCOMPARE(m_help->Browser(5), nullptr);
    QCOMPARE(m_help->Browser(-1), nullptr);
    // The designed place is the frame's: the title bar stays on the screen.
    m_help->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_help.get()));
    QCOMPARE(m_help->frameGeometry().topLeft(), QPoint(166, 8));
}

void TestFormHelp::navigation_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<Press>("press");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("first");
    QTest::addColumn<bool>("prev");
    QTest::addColumn<bool>("next");
    QTest::addColumn<bool>("last");

    for (int from = 0; from < 5; ++from) {
        const QByteArray page = "page " + QByteArray::number(from + 1);
        QTest::newRow(page + ", first")
            << from << PressFirst << 0 << false << false << true << true;
        const int prev = qMax(from - 1, 0);
        QTest::newRow(page + ", prev")
            << from << PressPrev << prev << (prev > 0) << (prev > 0) << true << true;
        const int next = qMin(from + 1, 4);
        QTest::newRow(page + ", next")
            << from << PressNext << next << true << true << (next < 4) << (next < 4);
        QTest::newRow(page + ", last") << from << PressLast << 4 << true << true << false << false;
    }
}

void TestFormHelp::navigation()
{
    QFETCH(int, from);
    QFETCH(Press, press);
    QFETCH(int, index);
    QFETCH(bool, first);
    QFETCH(bool, prev);
    QFETCH(bool, next);
    QFETCH(bool, last);

    goTo(from);
    QCOMPARE(m_help->PageIndex(), from);
    switch (press) {
    case PressFirst: m_help->BtnFirstClick(); break;
    case PressPrev: m_help->BtnPrevClick(); break;
    case PressNext: m_help->BtnNextClick(); break;
    case PressLast: m_help->BtnLastClick(); break;
    }
    const ToolState s = state();
    QCOMPARE(s.index, index);
    QCOMPARE(s.first, first);
    QCOMPARE(s.prev, prev);
    QCOMPARE(s.next, next);
    QCOMPARE(s.last, last);
    QCOMPARE(label(), QString::number(index + 1));
}

void TestFormHelp::labelReadsOneToFive()
{
    // Through the buttons themselves, as the user presses them.
    m_help->show();
    QStringList seen;
    QTest::mouseClick(button("BtnFirst"), Qt::LeftButton);
    seen << label();
    for (int i = 0; i < 5; ++i) {
        QTest::mouseClick(button("BtnNext"), Qt::LeftButton);
        seen << label();
    }
    for (int i = 0; i < 5; ++i) {
        QTest::mouseClick(button("BtnPrev"), Qt::LeftButton);
        seen << label();
    }
    QTest::mouseClick(button("BtnLast"), Qt::LeftButton);
    seen << label();
    // The disabled buttons swallow the extra presses at either end.
    QCOMPARE(seen.join(QLatin1Char(' ')), QStringLiteral("1 2 3 4 5 5 4 3 2 1 1 5"));
}

void TestFormHelp::buttonsCarryHintsAndPictures_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("hint");

    QTest::newRow("BtnFirst") << QByteArray("BtnFirst") << QStringLiteral("На первую страницу");
    QTest::newRow("BtnPrev") << QByteArray("BtnPrev") << QStringLiteral("На предыдущую страницу");
    QTest::newRow("BtnNext") << QByteArray("BtnNext") << QStringLiteral("На следующую страницу");
    QTest::newRow("BtnLast") << QByteArray("BtnLast") << QStringLiteral("На последнюю страницу");
}

void TestFormHelp::buttonsCarryHintsAndPictures()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, hint);
    QPushButton *b = button(name.constData());
    QVERIFY(b);
    QCOMPARE(b->toolTip(), hint);
    QVERIFY(b->text().isEmpty());
    QCOMPARE(b->iconSize(), QSize(32, 15));
    QVERIFY(!b->icon().isNull());
}

void TestFormHelp::firstRequestWritesPicturesAndLoadsPages()
{
    BtnHelpClick(*m_help, m_dir->path());

    QVERIFY(HelpContentReady);
    QVERIFY(m_help->isVisible());
    const ToolState s = state();
    QCOMPARE(s.index, 0);
    QVERIFY(!s.first && !s.prev && s.next && s.last);
    QCOMPARE(label(), QStringLiteral("1"));

    for (int i = 1; i <= HelpPictureCount; ++i) {
        QFile file(QDir(m_dir->path()).filePath(HelpPictureName(i)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), HelpPicture(i));
    }
    // Each viewer holds its own page: its heading, and its pictures by the
    // absolute path of the written files.
    for (int k = 1; k <= HelpPageCount; ++k) {
        const QString page = DecodeHelpPage(HelpPage(k));
        const int at = page.indexOf(QStringLiteral("class=\"Head\">")) + 13;
        const QString heading = page.mid(at, page.indexOf(QStringLiteral("</p>"), at) - at);
        const QString shown = m_help->Browser(k - 1)->toPlainText();
        QVERIFY2(shown.startsWith(heading), qPrintable(heading));
        // The viewer honours only the paragraph's own alignment, not the style sheet's.
        const QTextBlock first = m_help->Browser(k - 1)->document()->begin().next();
        QCOMPARE(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
        QVERIFY(!m_help->Browser(k - 1)->toHtml().contains(QStringLiteral("PATHEXE")));
    }
    const QString html5 = m_help->Browser(4)->toHtml();
    QCOMPARE(html5.count(QDir(m_dir->path()).filePath(QStringLiteral("Pic "))), 4);
}

void TestFormHelp::laterRequestKeepsPageAndWritesNothing()
{
    BtnHelpClick(*m_help, m_dir->path());
    m_help->BtnNextClick();
    m_help->BtnNextClick();
    m_help->close();
    QVERIFY(!m_help->isVisible());

    for (int i = 1; i <= HelpPictureCount; ++i)
        QVERIFY(QFile::remove(QDir(m_dir->path()).filePath(HelpPictureName(i))));
    const QString page2 = m_help->Browser(1)->toHtml();

    BtnHelpClick(*m_help, m_dir->path());
    QVERIFY(m_help->isVisible());
    QCOMPARE(m_help->PageIndex(), 2);
    QCOMPARE(label(), QStringLiteral("3"));
    QVERIFY(QDir(m_dir->path()).entryList(QDir::Files).isEmpty());
    QCOMPARE(m_help->Browser(1)->toHtml(), page2);
}

void TestFormHelp::requestOverwritesOldPicture()
{
    const QString path = QDir(m_dir->path()).filePath(HelpPictureName(4));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(50000, 'z'));
    }
    BtnHelpClick(*m_help, m_dir->path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), HelpPicture(4));
}

void TestFormHelp::requestSkipsUnwritableDirectory()
{
    // No message box may appear: fail rather than wait on one.
    bool sawModal = false;
    QTimer watchdog;
    connect(&watchdog, &QTimer::timeout, this, [&sawModal] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            sawModal = true;
            modal->close();
        }
    });
    watchdog.start(20);

    const QString missing = QDir(m_dir->path()).filePath(QStringLiteral("gone"));
    BtnHelpClick(*m_help, missing);
    QTest::qWait(60);
    QVERIFY(!sawModal);
    QVERIFY(!QFileInfo::exists(missing));
    QVERIFY(HelpContentReady);
    QVERIFY(m_help->isVisible());
    QCOMPARE(m_help->PageIndex(), 0);
    QVERIFY(!m_help->Browser(3)->toPlainText().isEmpty());
}

void TestFormHelp::picturesAreShown_data()
{
    // The folder for temporary files the run's picture folder is made in.
    QTest::addColumn<QString>("tempName");
    QTest::newRow("ordinary folder") << QStringLiteral("tmp");
#ifdef _WIN32
    // Windows names may hold no '"', '<' or '>'.
    QTest::newRow("a quote, hash, an entity and a space") << QStringLiteral("b'c #d &lt; 100%");
#else
    QTest::newRow("quotes, hash, markup, an entity and a space")
        << QStringLiteral("a\"b'c #d <b>e</b> &lt; 100%");
#endif
}

void TestFormHelp::picturesAreShown()
{
    QFETCH(QString, tempName);
    const QString temp = QDir(m_dir->path()).filePath(tempName);
    QVERIFY(QDir().mkpath(temp));
#ifdef _WIN32
    const char *const tempVariable = "TMP";
#else
    const char *const tempVariable = "TMPDIR";
#endif
    const QByteArray oldTemp = qgetenv(tempVariable);
    qputenv(tempVariable, QFile::encodeName(QDir::toNativeSeparators(temp)));
    THelpPictureFolder pictures;
    BtnHelpClick(*m_help, pictures);
    qputenv(tempVariable, oldTemp);
    QVERIFY(pictures.path().startsWith(temp + QLatin1Char('/')));
    m_help->BtnLastClick();
    QVERIFY(QTest::qWaitForWindowExposed(m_help.get()));

    // Every image of pages 4 and 5 is resolved by the viewer to a picture
    // written into the run's folder, and the folder's name added no markup.
    int images = 0;
    for (int k = 4; k <= 5; ++k) {
        QTextBrowser *browser = m_help->Browser(k - 1);
        QVERIFY(!browser->toPlainText().contains(QStringLiteral("100%")));
        for (QTextBlock block = browser->document()->begin(); block.isValid();
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (!format.isImageFormat())
                    continue;
                const QUrl src(format.toImageFormat().name());
                const QString file = src.isLocalFile() ? src.toLocalFile() : src.path();
                QCOMPARE(QFileInfo(file).absolutePath(), pictures.path());
                const QVariant loaded =
                    browser->document()->resource(QTextDocument::ImageResource, src);
                QVERIFY2(loaded.isValid(), qPrintable(src.toString()));
                ++images;
            }
        }
    }
    QCOMPARE(images, 6);
}

void TestFormHelp::pictureFolderIsPrivateAndGoesAtTheEnd()
{
    QString path;
    {
        THelpPictureFolder pictures;
        BtnHelpClick(*m_help, pictures);
        path = pictures.path();
        QVERIFY(QDir::isAbsolutePath(path));
        QCOMPARE(QDir(path).entryList(QDir::Files).size(), HelpPictureCount);
        QCOMPARE(m_help->Browser(3)->toHtml().count(path + QStringLiteral("/Pic ")), 2);
#ifndef _WIN32
        // Only its user may look into it. (Windows gives these bits from the
        // read-only attribute alone; there the user's own temporary folder
        // keeps others out.)
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QCOMPARE(QFileInfo(path).permissions() & others, QFile::Permissions());
#endif
        // Later requests keep the same folder.
        BtnHelpClick(*m_help, pictures);
        QCOMPARE(pictures.path(), path);
    }
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_MAIN(TestFormHelp)
#include "tst_formhelp.moc"
