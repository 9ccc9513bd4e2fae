#include "help/FormHelp.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStackedWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

constexpr int ToolBarHeight = 25;

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

QPushButton *toolButton(QWidget *panel, const char *name, const QString &hint, int x,
                        const QPixmap &picture)
{
    auto *button = new QPushButton(panel);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setIcon(QIcon(picture));
    button->setIconSize(picture.size());
    button->setGeometry(x, 0, 41, ToolBarHeight);
    return button;
}

} // namespace

TFormHelp::TFormHelp(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(QStringLiteral("Помощь"));
    QFont windowFont = font();
    windowFont.setPointSize(8);
    setFont(windowFont);

    auto *panelTxt = new QWidget(this);
    panelTxt->setObjectName(QStringLiteral("PanelTxt"));
    m_notebook = new QStackedWidget(panelTxt);
    m_notebook->setObjectName(QStringLiteral("Notebook"));
    auto *txtLayout = new QVBoxLayout(panelTxt);
    txtLayout->setContentsMargins(0, 0, 0, 0);
    txtLayout->addWidget(m_notebook);
    for (int i = 0; i < PageCount; ++i) {
        auto *page = new QWidget(m_notebook);
        page->setObjectName(QStringLiteral("Page%1").arg(i + 1));
        m_browsers[i] = new QTextBrowser(page);
        m_browsers[i]->setObjectName(QStringLiteral("Browser%1").arg(i + 1));
        // The pages have no links to follow elsewhere; an activated link must
        // not replace the help page with an empty one.
        m_browsers[i]->setOpenLinks(false);
        auto *pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        pageLayout->addWidget(m_browsers[i]);
        m_notebook->addWidget(page);
    }

    auto *panelTools = new QWidget(this);
    panelTools->setObjectName(QStringLiteral("PanelTools"));
    panelTools->setFixedHeight(ToolBarHeight);
    m_btnFirst = toolButton(panelTools, "BtnFirst", QStringLiteral("На первую страницу"), 72,
                            buttonPicture(true, false));
    m_btnPrev = toolButton(panelTools, "BtnPrev", QStringLiteral("На предыдущую страницу"), 120,
                           buttonPicture(false, false));
    m_lblPage = new QLabel(QStringLiteral("1"), panelTools);
    m_lblPage->setObjectName(QStringLiteral("LblPage"));
    m_lblPage->setAlignment(Qt::AlignCenter);
    QFont labelFont = m_lblPage->font();
    labelFont.setPixelSize(16);
    m_lblPage->setFont(labelFont);
    m_lblPage->setGeometry(160, 2, 41, 20);
    m_btnNext = toolButton(panelTools, "BtnNext", QStringLiteral("На следующую страницу"), 200,
                           buttonPicture(false, true));
    m_btnLast = toolButton(panelTools, "BtnLast", QStringLiteral("На последнюю страницу"), 248,
                           buttonPicture(true, true));
    // The label sits between the two inner buttons and must not cover them.
    m_lblPage->lower();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panelTxt);
    layout->addWidget(panelTools);

    setTabOrder(m_btnFirst, m_btnPrev);
    setTabOrder(m_btnPrev, m_btnNext);
    setTabOrder(m_btnNext, m_btnLast);

    connect(m_btnFirst, &QPushButton::clicked, this, &TFormHelp::BtnFirstClick);
    connect(m_btnPrev, &QPushButton::clicked, this, &TFormHelp::BtnPrevClick);
    connect(m_btnNext, &QPushButton::clicked, this, &TFormHelp::BtnNextClick);
    connect(m_btnLast, &QPushButton::clicked, this, &TFormHelp::BtnLastClick);

    // The design state: on the last page with every button usable; the first
    // help request turns to page 1.
    m_notebook->setCurrentIndex(LastPage);
    setGeometry(166, 8, 721, 659);
}

QTextBrowser *TFormHelp::Browser(int index) const
{
    return index >= 0 && index < PageCount ? m_browsers[index] : nullptr;
}

int TFormHelp::PageIndex() const { return m_notebook->currentIndex(); }

void TFormHelp::showPage(int index, bool backEnabled, bool forwardEnabled)
{
    m_notebook->setCurrentIndex(index);
    m_btnFirst->setEnabled(backEnabled);
    m_btnPrev->setEnabled(backEnabled);
    m_btnNext->setEnabled(forwardEnabled);
    m_btnLast->setEnabled(forwardEnabled);
    m_lblPage->setText(QString::number(m_notebook->currentIndex() + 1));
}

void TFormHelp::BtnFirstClick() { showPage(0, false, true); }

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

void TFormHelp::BtnLastClick() { showPage(LastPage, true, false); }

void LoadHtmlIntoBrowser(QTextBrowser *browser, const QString &html)
{
    if (!browser)
        return;
    browser->setHtml(html);
}
