#include "help/FormHelp.h"

#include "ui_FormHelp.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>

namespace {

// A 32 x 15 picture: black strokes on the button face (left transparent),
// optionally a bar, then a double chevron pointing left; pictures pointing
// right are the mirror images.
QPixmap buttonPicture(bool withBar, bool pointsRight)
{
    QImage image(32, 15, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        int tip = 9;
        if (withBar) {
            painter.drawLine(QPointF(8, 2.5), QPointF(8, 12.5));
            tip = 11;
        }
        for (int x : {tip, tip + 7}) {
            const QPointF chevron[3] = {QPointF(x + 5.5, 2.5), QPointF(x + 0.5, 7.5),
                                        QPointF(x + 5.5, 12.5)};
            painter.drawPolyline(chevron, 3);
        }
    }
    if (pointsRight)
        image = image.mirrored(true, false);
    return QPixmap::fromImage(image);
}

void setPicture(QPushButton *button, const QPixmap &picture)
{
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
}

} // namespace

TFormHelp::TFormHelp(QWidget *parent) : QWidget(parent, Qt::Window)
{
    Ui::FormHelp ui;
    ui.setupUi(this);
    m_notebook = ui.Notebook;
    m_browsers[0] = ui.Browser1;
    m_browsers[1] = ui.Browser2;
    m_browsers[2] = ui.Browser3;
    m_browsers[3] = ui.Browser4;
    m_browsers[4] = ui.Browser5;
    m_btnFirst = ui.BtnFirst;
    m_btnPrev = ui.BtnPrev;
    m_btnNext = ui.BtnNext;
    m_btnLast = ui.BtnLast;
    m_lblPage = ui.LblPage;

    // A form's fonts carry point sizes only; the page number's is in pixels.
    QFont labelFont = m_lblPage->font();
    labelFont.setPixelSize(16);
    m_lblPage->setFont(labelFont);
    setPicture(m_btnFirst, buttonPicture(true, false));
    setPicture(m_btnPrev, buttonPicture(false, false));
    setPicture(m_btnNext, buttonPicture(false, true));
    setPicture(m_btnLast, buttonPicture(true, true));

    connect(m_btnFirst, &QPushButton::clicked, this, &TFormHelp::BtnFirstClick);
    connect(m_btnPrev, &QPushButton::clicked, this, &TFormHelp::BtnPrevClick);
    connect(m_btnNext, &QPushButton::clicked, this, &TFormHelp::BtnNextClick);
    connect(m_btnLast, &QPushButton::clicked, this, &TFormHelp::BtnLastClick);

    // A form sets a window's size only. The designed place is the frame's, as
    // move() takes it: placing the client area there would push the title bar
    // above the screen's top edge.
    move(166, 8);
}

QTextBrowser *TFormHelp::Browser(int index) const
{
    return index >= 0 && index < PageCount ? m_browsers[index] : nullptr;
}

int TFormHelp::PageIndex() const
{
    return m_notebook->currentIndex();
}

void TFormHelp::showPage(int index, bool backEnabled, bool forwardEnabled)
{
    m_notebook->setCurrentIndex(index);
    m_btnFirst->setEnabled(backEnabled);
    m_btnPrev->setEnabled(backEnabled);
    m_btnNext->setEnabled(forwardEnabled);
    m_btnLast->setEnabled(forwardEnabled);
    m_lblPage->setText(QString::number(m_notebook->currentIndex() + 1));
}

void TFormHelp::BtnFirstClick()
{
    showPage(0, false, true);
}

void TFormHelp::BtnPrevClick()
{
    const int index = qMax(PageIndex() - 1, 0);
    showPage(index, index > 0, true);
}

void TFormHelp::BtnNextClick()
{
    const int index = qMin(PageIndex() + 1, LastPage);
    showPage(index, true, index < LastPage);
}

void TFormHelp::BtnLastClick()
{
    showPage(LastPage, true, false);
}

void LoadHtmlIntoBrowser(QTextBrowser *browser, const QString &html)
{
    if (!browser)
        return;
    browser->setHtml(html);
}
