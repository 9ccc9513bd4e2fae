#include "report/FormResult.h"
#include "tests/gui/TestPorts.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const char *const NotFound = "За позицией курсора отыскиваемая фраза отсутствует";

// A report-like text: a heading that also occurs further down, and enough
// lines that most of them lie below the view.
QStringList SampleLines()
{
    QStringList lines;
    lines << QStringLiteral("Сумма частот в первой строке   m = 10");
    lines << QStringLiteral("   5%-ный уровень значимости: ОПРОВЕРГАЕТ");
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("%1  0.%2").arg(i, 5).arg(i, 9, 10, QLatin1Char('0'));
    lines << QStringLiteral("  ОПРОВЕРГАЕТ гипотезу; опровергает");
    lines << QStringLiteral("Сумма частот в первой строке (повтор)");
    return lines;
}

} // namespace

class TestFormResult : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestPorts> m_ports;
    std::unique_ptr<TFormResult> m_form;
    QTemporaryDir m_dir;

    QPlainTextEdit *text() const { return m_form->findChild<QPlainTextEdit *>("REdit"); }
    TFindDialog *findDialog() const { return m_form->findChild<TFindDialog *>("FindDialog"); }
    void fill(const QStringList &lines)
    {
        m_form->Clear();
        for (const QString &line : lines)
            QVERIFY(m_form->AppendLine(line.toStdString()));
        m_form->SetCaret(0);
        m_form->Show();
        m_form->FocusText();
    }
    int caret() const { return text()->textCursor().selectionStart(); }
    QString selected() const { return text()->textCursor().selectedText(); }

private Q_SLOTS:
    void initTestCase() { InstallModalWatchdog(this); }

    void init()
    {
        m_ports = std::make_unique<TTestPorts>();
        m_form = std::make_unique<TFormResult>(m_ports->ports);
    }

    void cleanup() { m_form.reset(); }

    void look()
    {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Распределение"));
        QVERIFY(QFontInfo(text()->font()).fixedPitch());
        QCOMPARE(text()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!text()->isReadOnly());
        auto *save = m_form->findChild<QPushButton *>(QStringLiteral("BtnSaveText"));
        QVERIFY(save);
        QCOMPARE(save->toolTip(), QStringLiteral("Записать содержимое  окна в текстовом файле"));
        QVERIFY(m_form->findChild<QPushButton *>(QStringLiteral("BtnFind")));
        QCOMPARE(m_form->findChild<QPlainTextEdit *>(QStringLiteral("REdit")), text());
    }

    void reportSink()
    {
        const TCriticalBounds none;
        QVERIFY(m_form->CriticalBounds() == none);
        QVERIFY(m_form->isHidden());
        fill({QStringLiteral("первая"), QString(), QStringLiteral("третья")});
        QCOMPARE(text()->toPlainText(), QStringLiteral("первая\n\nтретья"));
        QVERIFY(m_form->isVisible());
        QCOMPARE(caret(), 0);

        TCriticalBounds bounds;
        bounds.twoLower[Level5] = 3;
        bounds.rightBound[Level01] = 9;
        m_form->SetCriticalBounds(bounds);
        QVERIFY(m_form->CriticalBounds() == bounds);

        // A new report replaces the old one entirely.
        fill({QStringLiteral("новый")});
        QCOMPARE(text()->toPlainText(), QStringLiteral("новый"));
    }

    void lengthLimit()
    {
        m_form->Clear();
        const std::string line(999, 'x'); // 1000 characters with its line break
        int accepted = 0;
        while (m_form->AppendLine(line))
            ++accepted;
        QCOMPARE(accepted, MaxReportChars / 1000);
        // What fitted stays in the control; one more empty line just fits.
        QCOMPARE(text()->blockCount(), accepted);
        QVERIFY(m_form->AppendLine(""));
        QVERIFY(!m_form->AppendLine(""));
        QCOMPARE(text()->toPlainText().size(), MaxReportChars);
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("asked");  // whether to save unencodable characters as '?'
        QTest::addColumn<bool>("answer"); // Yes
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("cyrillic, percent, CR LF")
            << QStringList{QStringLiteral("   5%-ный уровень значимости: "),
                           QStringLiteral("Ёё a=8")}
            << false << false
            << QByteArray("   5%-\xED\xFB\xE9 \xF3\xF0\xEE\xE2\xE5\xED\xFC \xE7\xED\xE0\xF7\xE8"
                          "\xEC\xEE\xF1\xF2\xE8: \r\n\xA8\xB8 a=8\r\n");
        QTest::newRow("empty line kept")
            << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")} << false << false
            << QByteArray("a\r\n\r\nb\r\n");
        QTest::newRow("empty text") << QStringList{} << false << false << QByteArray();
        QTest::newRow("not in Windows-1251, saved as ?")
            << QStringList{QStringLiteral("a→b ≠ 😀 Ё№€")} << true << true
            << QByteArray("a?b ? ? \xA8\xB9\x88\r\n");
        QTest::newRow("not in Windows-1251, declined: the earlier file stays")
            << QStringList{QStringLiteral("a→b")} << true << false << QByteArray("earlier\r\n");
    }

    void save()
    {
        QFETCH(QStringList, lines);
        QFETCH(bool, asked);
        QFETCH(bool, answer);
        QFETCH(QByteArray, bytes);
        fill(lines);
        const QString name = m_dir.filePath(QStringLiteral("report.txt"));
        {
            QFile earlier(name);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier\r\n");
        }
        m_ports->saveDialog.answers = {name};
        m_ports->questions.answer = answer;
        m_form->BtnSaveTextClick();
        QVERIFY(m_ports->messages.shown.empty());
        QCOMPARE(m_ports->questions.asked.size(), size_t(asked ? 1 : 0));
        if (asked) {
            QCOMPARE(QString::fromStdString(m_ports->questions.asked[0].text),
                     QStringLiteral("Отчет содержит знаки, которых нет в кодировке Windows-1251. "
                                    "Сохранить их как «?»?"));
            QCOMPARE(m_ports->questions.asked[0].caption, std::string("Сохранить"));
        }
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

    void saveKeepsEditsAndLastName()
    {
        fill({QStringLiteral("строка")});
        text()->moveCursor(QTextCursor::End);
        QTest::keyClicks(text(), QStringLiteral("!"));
        const QString name = m_dir.filePath(QStringLiteral("edited.txt"));
        m_ports->saveDialog.answers = {name, name};
        m_form->BtnSaveTextClick();
        m_form->BtnSaveTextClick();
        QCOMPARE(m_ports->saveDialog.Proposed(), (QStringList{QString(), name}));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xF1\xF2\xF0\xEE\xEA\xE0!\r\n"));
    }

    void saveCancelled()
    {
        fill({QStringLiteral("x")});
        m_form->BtnSaveTextClick();
        QVERIFY(m_ports->messages.shown.empty());
        QCOMPARE(m_ports->saveDialog.requests.size(), 1);
    }

    void saveUnopenable()
    {
        fill({QStringLiteral("x")});
        const QString name = m_dir.filePath(QStringLiteral("no such folder/r.txt"));
        m_ports->saveDialog.answers = {name};
        m_form->BtnSaveTextClick();
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(m_ports->messages.shown[0].text),
                 QStringLiteral("Не могу открыть файл \"%1\"").arg(QDir::toNativeSeparators(name)));
        QCOMPARE(m_ports->messages.shown[0].caption, std::string("Сохранить"));
        QCOMPARE(m_ports->messages.shown[0].icon, TMsgIcon::Stop);
        QVERIFY(!QFile::exists(name));
    }

#ifdef Q_OS_LINUX
    // A disk that fills up half-way: the old file stays and the user is told.
    void saveFailingWrite()
    {
        const QString name = m_dir.filePath(QStringLiteral("old.txt"));
        {
            QFile old(name);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old report\r\n");
        }
        QStringList lines;
        for (int i = 0; i < 2000; ++i)
            lines << QStringLiteral("строка отчета номер %1").arg(i);
        fill(lines);

        rlimit saved{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const bool saved_ok = m_form->SaveText(name);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!saved_ok);
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(QString::fromStdString(m_ports->messages.shown[0].text),
                 QStringLiteral("Не могу записать файл \"%1\"").arg(name));
        QCOMPARE(m_ports->messages.shown[0].caption, std::string("Сохранить"));
        QCOMPARE(m_ports->messages.shown[0].icon, TMsgIcon::Stop);
        QFile old(name);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old report\r\n"));
    }
#endif

    void findPhrase_data()
    {
        QTest::addColumn<int>("caretAt");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("foundOnLine"); // the line that holds the selection

        const QString heading = QStringLiteral("Сумма частот в первой строке");
        QTest::newRow("occurrence at the caret is skipped")
            << 0 << heading << 1 << QStringLiteral("Сумма частот в первой строке (повтор)");
        QTest::newRow("blanks around the phrase are dropped")
            << 0 << QStringLiteral("  ОПРОВЕРГАЕТ  ") << 1
            << QStringLiteral("   5%-ный уровень значимости: ОПРОВЕРГАЕТ");
        QTest::newRow("case counts") << 0 << QStringLiteral("опровергает") << 1
                                     << QStringLiteral("  ОПРОВЕРГАЕТ гипотезу; опровергает");
        QTest::newRow("absent") << 0 << QStringLiteral("нет такого") << 2 << QString();
        QTest::newRow("blanks only") << 0 << QStringLiteral("  \t ") << 0 << QString();
        QTest::newRow("empty") << 0 << QString() << 0 << QString();
        QTest::newRow("caret on the last character") << -1 << QStringLiteral(")") << 2 << QString();
    }

    void findPhrase()
    {
        QFETCH(int, caretAt);
        QFETCH(QString, phrase);
        QFETCH(int, result);
        QFETCH(QString, foundOnLine);
        fill(SampleLines());
        const int length = text()->toPlainText().size();
        m_form->SetCaret(caretAt < 0 ? length - 1 : caretAt);
        const int before = caret();

        QCOMPARE(FindPhrase(text(), phrase), result);
        if (result == 1) {
            const QString trimmed = phrase.trimmed();
            QCOMPARE(selected(), trimmed);
            QCOMPARE(text()->textCursor().block().text(), foundOnLine);
        } else {
            QCOMPARE(caret(), before);
            QVERIFY(selected().isEmpty());
        }
    }

    void findPhraseWithoutTextOrControl()
    {
        QCOMPARE(FindPhrase(nullptr, QStringLiteral("x")), 0);
        QCOMPARE(FindPhrase(text(), QStringLiteral("x")), 0);
    }

    void repeatedSearchWalksOn()
    {
        fill(SampleLines());
        findDialog()->SetFindText(QStringLiteral("ОПРОВЕРГАЕТ"));
        QList<int> lines;
        for (int i = 0; i < 3; ++i) {
            m_form->SearchAgain();
            lines << text()->textCursor().blockNumber();
        }
        QCOMPARE(lines, (QList<int>{1, 202, 202}));
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(m_ports->messages.shown[0].text, std::string(NotFound));
        QCOMPARE(m_ports->messages.shown[0].caption, std::string());
        QCOMPARE(m_ports->messages.shown[0].icon, TMsgIcon::Information);
        // The selection stays on the last occurrence.
        QCOMPARE(selected(), QStringLiteral("ОПРОВЕРГАЕТ"));
    }

    void findDialogAndKeys()
    {
        fill(SampleLines());
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        TFindDialog *dialog = findDialog();

        // Ctrl+L before any phrase: nothing.
        QTest::keyClick(text(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(caret(), 0);
        QVERIFY(m_ports->messages.shown.empty());

        QTest::keyClick(text(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        dialog->SetFindText(QStringLiteral("ОПРОВЕРГАЕТ"));
        dialog->findChild<QPushButton *>(QStringLiteral("BtnFindNext"))->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(text()->textCursor().blockNumber(), 1);

        // The phrase outlives the dialog: Ctrl+L finds the next one.
        QTest::keyClick(text(), Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(text()->textCursor().blockNumber(), 202);
        QVERIFY(!dialog->isVisible());

        m_form->findChild<QPushButton *>(QStringLiteral("BtnFind"))->click();
        QVERIFY(dialog->isVisible());
        // A heading of 40 characters shows whole: the caret after it needs no scrolling.
        const QString heading = QStringLiteral("Критические области значений частоты \"а\"");
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("FindText"));
        edit->setText(heading);
        edit->grab(); // the edit scrolls its text when it paints
        QVERIFY(edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() >=
                edit->fontMetrics().horizontalAdvance(heading));
        dialog->SetFindText(QStringLiteral("ОПРОВЕРГАЕТ"));
        dialog->findChild<QPushButton *>(QStringLiteral("BtnFindNext"))->click();
        QCOMPARE(m_ports->messages.shown.size(), size_t(1));
        QCOMPARE(m_ports->messages.shown[0].text, std::string(NotFound));
        QVERIFY(!dialog->isVisible());
    }

    // Keys in the report as keyboards of other layouts and systems send them.
    void reportKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("scanCode");
        QTest::addColumn<quint32>("virtualKey");
        QTest::addColumn<QString>("outcome"); // find, again, focus or nothing
        const int ctrl = Qt::ControlModifier;
        // X with only a Russian layout: the Cyrillic keysym and the key's X keycode.
        QTest::newRow("Ctrl+F key, Russian layout on X")
            << 0x410 << ctrl << 41u << 0x6c1u << "find";
        QTest::newRow("Ctrl+L key, Russian layout on X")
            << 0x414 << ctrl << 46u << 0x6c4u << "again";
        // Windows reports the Latin letter's virtual key and its own scan code.
        QTest::newRow("Ctrl+F key, Russian layout on Windows")
            << 0x410 << ctrl << 0x21u << 0x46u << "find";
        // A Latin layout keeps its letters: on Dvorak the F key types u.
        QTest::newRow("Ctrl+F key, Dvorak layout on X")
            << int(Qt::Key_U) << ctrl << 41u << 0x75u << "nothing";
        QTest::newRow("Ctrl+A key, Russian layout on X")
            << 0x424 << ctrl << 38u << 0x6c6u << "nothing";
        QTest::newRow("Tab") << int(Qt::Key_Tab) << 0 << 23u << 0xff09u << "focus";
        QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << ctrl << 23u << 0xff09u << "nothing";
    }

    void reportKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(quint32, scanCode);
        QFETCH(quint32, virtualKey);
        QFETCH(QString, outcome);
        fill(SampleLines());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        findDialog()->SetFindText(QStringLiteral("ОПРОВЕРГАЕТ"));
        const QString before = text()->toPlainText();
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), scanCode,
                        virtualKey, 0, key == Qt::Key_Tab ? QStringLiteral("\t") : QString());
        QApplication::sendEvent(text(), &press);

        QCOMPARE(findDialog()->isVisible(), outcome == "find");
        QCOMPARE(text()->textCursor().blockNumber(), outcome == "again" ? 1 : 0);
        QCOMPARE(m_form->focusWidget() != text(), outcome == "focus");
        QCOMPARE(text()->toPlainText(), before);
        QVERIFY(m_ports->messages.shown.empty());
    }

    void scrolling_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("scrolled");
        QTest::newRow("upper part of the view") << 3 << false;
        QTest::newRow("below the view") << 150 << true;
        QTest::newRow("last 20 pixels of the view") << -1 << true;
    }

    void scrolling()
    {
        QFETCH(int, line);
        QFETCH(bool, scrolled);
        fill(SampleLines());
        m_form->resize(600, 400);
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        QScrollBar *bar = text()->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        if (line < 0) {
            // The first line whose top lies in the last 20 pixels of the view.
            const int height = text()->viewport()->height();
            for (line = 0;; ++line) {
                QTextCursor probe(text()->document()->findBlockByNumber(line));
                if (text()->cursorRect(probe).top() > height - 20)
                    break;
            }
            QTextCursor probe(text()->document()->findBlockByNumber(line));
            QVERIFY(text()->cursorRect(probe).top() < height);
        }
        const int pos = text()->document()->findBlockByNumber(line).position() + 2;
        ScrollToPosition(text(), pos);
        QCOMPARE(caret(), pos);
        QCOMPARE(bar->value(), scrolled ? line : 0);
    }
};

QTEST_MAIN(TestFormResult)
#include "tst_formresult.moc"
