#include "help/HelpContent.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

class TestHelpContent : public QObject {
    Q_OBJECT
private slots:
    void expandPathExe_data();
    void expandPathExe();
    void pageIsCompleteDocument_data();
    void pageIsCompleteDocument();
    void pictureIsPlainGif89a_data();
    void pictureIsPlainGif89a();
    void pagesReferToEveryPicture();
    void writeHelpPictures_data();
    void writeHelpPictures();
    void writeHelpPicturesSkipsUnwritableDirectory();
};

void TestHelpContent::expandPathExe_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("expected");

    const QString sep = QStringLiteral("/");
    QTest::newRow("no token") << "<p>PATHEXE Pic 1.gif</p>"
                              << "/opt/v"
                              << "<p>PATHEXE Pic 1.gif</p>";
    QTest::newRow("empty text") << ""
                                << "/opt/v"
                                << "";
    QTest::newRow("one token") << "src=\"PATHEXE\\Pic 1.gif\""
                               << "/opt/v"
                               << "src=\"/opt/v" + sep + "Pic 1.gif\"";
    QTest::newRow("several tokens") << "PATHEXE\\a PATHEXE\\bPATHEXE\\"
                                    << "/d"
                                    << "/d" + sep + "a /d" + sep + "b/d" + sep;
    QTest::newRow("adjacent tokens") << "PATHEXE\\PATHEXE\\"
                                     << "/d"
                                     << "/d" + sep + "/d" + sep;
    QTest::newRow("directory containing the token") << "x PATHEXE\\Pic 2.gif y"
                                                    << "/tmp/PATHEXE\\dir"
                                                    << "x /tmp/PATHEXE\\dir" + sep + "Pic 2.gif y";
    QTest::newRow("case differs") << "pathexe\\Pic 1.gif PathExe\\"
                                  << "/d"
                                  << "pathexe\\Pic 1.gif PathExe\\";
    QTest::newRow("forward slash is no token") << "PATHEXE/Pic 1.gif"
                                               << "/d"
                                               << "PATHEXE/Pic 1.gif";
    QTest::newRow("cyrillic directory") << "PATHEXE\\Pic 3.gif"
                                        << "/home/пользователь"
                                        << "/home/пользователь" + sep + "Pic 3.gif";
}

void TestHelpContent::expandPathExe()
{
    QFETCH(QString, text);
    QFETCH(QString, dir);
    QFETCH(QString, expected);
    QCOMPARE(ExpandPathExe(text, dir), expected);
}

void TestHelpContent::pageIsCompleteDocument_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("pictures");

    QTest::newRow("page 1") << 1 << QStringList();
    QTest::newRow("page 2") << 2 << QStringList();
    QTest::newRow("page 3") << 3 << QStringList();
    QTest::newRow("page 4") << 4 << QStringList{"Pic 1.gif", "Pic 2.gif"};
    QTest::newRow("page 5") << 5 << QStringList{"Pic 3.gif", "Pic 4.gif", "Pic 5.gif", "Pic 6.gif"};
}

void TestHelpContent::pageIsCompleteDocument()
{
    QFETCH(int, page);
    QFETCH(QStringList, pictures);

    const QByteArray bytes = HelpPage(page);
    QVERIFY(bytes.size() > 2000);
    QVERIFY(bytes.startsWith("<html>"));
    QVERIFY(bytes.endsWith("</html>\r\n"));
    // Every line ends in CR LF: no bare LF and no bare CR.
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    QCOMPARE(bytes.count('\r'), bytes.count("\r\n"));
    QVERIFY(!bytes.toLower().contains("charset"));
    QVERIFY(!bytes.toLower().contains("<head"));
    QVERIFY(!bytes.toLower().contains("<script"));
    QCOMPARE(bytes.count("<style"), 1);

    // Windows-1251 maps every byte but 0x98; a UTF-8 page would decode to
    // mojibake rather than fail, so look for the Russian heading as well.
    QVERIFY(!bytes.contains('\x98'));
    const QString text = DecodeHelpPage(bytes);
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QVERIFY(text.contains(QRegularExpression(QStringLiteral("class=\"Head\">[А-Яа-яЁё ]+</p>"))));
    QVERIFY(text.contains(QStringLiteral("rgb(240,240,240)")));
    QVERIFY(text.contains(QStringLiteral("text-align: justify")));

    QCOMPARE(text.count(QStringLiteral("PATHEXE\\")), pictures.size());
    for (const QString &picture : pictures)
        QCOMPARE(text.count(QStringLiteral("src=\"PATHEXE\\") + picture + '"'), 1);
    if (page >= 2)
        QVERIFY(text.contains(QStringLiteral("<body lang=\"RU\">")));
}

void TestHelpContent::pictureIsPlainGif89a_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    // Screenshots may shift by a few pixels when the windows change.
    QTest::newRow("Pic 1") << 1 << 618 << 150;
    QTest::newRow("Pic 2") << 2 << 584 << 51;
    QTest::newRow("Pic 3") << 3 << 289 << 244;
    QTest::newRow("Pic 4") << 4 << 627 << 298;
    QTest::newRow("Pic 5") << 5 << 558 << 298;
    QTest::newRow("Pic 6") << 6 << 872 << 178;
}

void TestHelpContent::pictureIsPlainGif89a()
{
    QFETCH(int, picture);
    QFETCH(int, width);
    QFETCH(int, height);

    const QByteArray gif = HelpPicture(picture);
    const auto *u = reinterpret_cast<const uchar *>(gif.constData());
    QVERIFY(gif.size() > 13);
    QVERIFY(gif.startsWith("GIF89a"));
    QVERIFY2(qAbs((u[6] | u[7] << 8) - width) <= 40, "width");
    QVERIFY2(qAbs((u[8] | u[9] << 8) - height) <= 40, "height");
    QVERIFY2(u[10] & 0x80, "global colour table");
    qsizetype pos = 13 + 3 * (2 << (u[10] & 7));

    // Exactly one image descriptor right after the colour table, no
    // extension blocks anywhere, and the trailer as the last byte.
    QVERIFY(pos + 11 < gif.size());
    QCOMPARE(u[pos], uchar(0x2C));
    QVERIFY2(!(u[pos + 9] & 0x80), "no local colour table");
    pos += 11;
    while (pos < gif.size() && u[pos] != 0)
        pos += u[pos] + 1;
    QCOMPARE(pos + 2, gif.size());
    QCOMPARE(u[pos + 1], uchar(0x3B));

    QImage image;
    QVERIFY(image.loadFromData(gif, "GIF"));
    QCOMPARE(image.width(), u[6] | u[7] << 8);
}

void TestHelpContent::pagesReferToEveryPicture()
{
    // Each picture appears on exactly one page; no stray file names.
    QString all;
    for (int k = 1; k <= HelpPageCount; ++k)
        all += DecodeHelpPage(HelpPage(k));
    QCOMPARE(all.count(QStringLiteral("PATHEXE\\")), HelpPictureCount);
    for (int i = 1; i <= HelpPictureCount; ++i)
        QCOMPARE(all.count(HelpPictureName(i)), 1);
}

void TestHelpContent::writeHelpPictures_data()
{
    QTest::addColumn<QByteArray>("oldContent");

    QTest::newRow("no old files") << QByteArray();
    QTest::newRow("longer old files") << QByteArray(100000, 'x');
    QTest::newRow("shorter old files") << QByteArray("GIF89a");
}

void TestHelpContent::writeHelpPictures()
{
    QFETCH(QByteArray, oldContent);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (!oldContent.isEmpty()) {
        for (int i = 1; i <= HelpPictureCount; ++i) {
            QFile old(dir.filePath(HelpPictureName(i)));
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(oldContent);
        }
    }

    WriteHelpPictures(dir.path());

    for (int i = 1; i <= HelpPictureCount; ++i) {
        QFile file(dir.filePath(HelpPictureName(i)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), HelpPicture(i));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), HelpPictureCount);
}

void TestHelpContent::writeHelpPicturesSkipsUnwritableDirectory()
{
    // A file standing where a picture should go, and a directory that does
    // not exist: nothing is written, nothing is reported, nothing fails.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(HelpPictureName(3)));
    WriteHelpPictures(dir.path());
    for (int i = 1; i <= HelpPictureCount; ++i)
        QCOMPARE(QFileInfo(dir.filePath(HelpPictureName(i))).isFile(), i != 3);

    const QString missing = dir.filePath(QStringLiteral("no/such/dir"));
    WriteHelpPictures(missing);
    QVERIFY(!QFileInfo::exists(missing));
}

QTEST_GUILESS_MAIN(TestHelpContent)
#include "tst_helpcontent.moc"
