#pragma once

#include <QWidget>

class QLabel;
class QStackedWidget;
class QTextBrowser;
class QPushButton;

// The help window "Помощь": five viewers, one per page, stacked so that one
// shows at a time, and a tool bar that pages through them. Closing it only
// hides it; page and contents stay for the next request.
class TFormHelp : public QWidget {
    Q_OBJECT
public:
    static constexpr int PageCount = 5;
    static constexpr int LastPage = PageCount - 1;

    explicit TFormHelp(QWidget *parent = nullptr);

    // Browser1 ... Browser5 for index 0 ... 4.
    QTextBrowser *Browser(int index) const;
    int PageIndex() const;

    void BtnFirstClick();
    void BtnPrevClick();
    void BtnNextClick();
    void BtnLastClick();

private:
    // Page index first, then the buttons, then the label.
    void showPage(int index, bool backEnabled, bool forwardEnabled);

    QStackedWidget *m_notebook = nullptr;
    QTextBrowser *m_browsers[PageCount] = {};
    QPushButton *m_btnFirst = nullptr;
    QPushButton *m_btnPrev = nullptr;
    QPushButton *m_btnNext = nullptr;
    QPushButton *m_btnLast = nullptr;
    QLabel *m_lblPage = nullptr;
};

// Makes html the viewer's whole document in one call; a missing viewer is
// passed over.
void LoadHtmlIntoBrowser(QTextBrowser *browser, const QString &html);
