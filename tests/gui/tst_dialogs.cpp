// The toolkit's boxes behind the ports, as the user sees them: plain texts, a
// caption that fits the title bar, Yes as the question's default.

#include "platform/Dialogs.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void boxes_data();
    void boxes();
};

void TestDialogs::boxes_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("caption"); // as the box is given it
    QTest::addColumn<QString>("text");
    const QString name = QStringLiteral("Не могу записать файл \"<i>a<b>x.txt\"");
    const QString none;
    QTest::newRow("message box, the program's caption")
        << QString("message") << none << QString("Ошибка");
    QTest::newRow("message box, a file name") << QString("message") << QString("Сохранить") << name;
    QTest::newRow("error box, a file name")
        << QString("error") << none << QString("/tmp/<b>x</b>.bmp\nNo space");
    // Enter answers Yes.
    QTest::newRow("question box") << QString("question") << QString("Сохранить")
                                  << QString("Сохранить их как «?»?");
}

void TestDialogs::boxes()
{
    QFETCH(QString, port);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QWidget parent;
    parent.show();
    QString shownText, shownCaption;
    int format = -1, width = 0;
    // The box is modal: it is read and closed from the event loop it runs.
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label);
        shownText = label->text();
        format = int(label->textFormat());
        shownCaption = box->windowTitle();
        width = box->width();
        if (QPushButton *button = box->defaultButton())
            button->click();
        else
            box->done(0);
    });
    if (port == "message") {
        TQtMessageBox box;
        box.Show(text.toStdString(), caption.toStdString(), TMsgIcon::Stop);
    } else if (port == "question") {
        TQtQuestionBox box;
        QVERIFY(box.Ask(text.toStdString(), caption.toStdString()));
    } else {
        TQtErrorBox box;
        box.ShowError(&parent, text);
    }
    QCOMPARE(shownText, text);
    QCOMPARE(format, int(Qt::PlainText));
    QCOMPARE(shownCaption, caption.isEmpty() ? QStringLiteral("Велмар") : caption);
    // The caption in a bold title font beside an icon and three buttons.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    QVERIFY2(width >= QFontMetrics(titleFont).horizontalAdvance(shownCaption) + 120,
             qPrintable(QString::number(width)));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
