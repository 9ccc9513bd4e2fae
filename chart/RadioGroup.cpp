#include "chart/RadioGroup.h"

#include <QRadioButton>

TRadioGroup::TRadioGroup(QWidget *parent) : QGroupBox(parent) {}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (const QRadioButton *item : m_items)
        items << item->text();
    return items;
}

void TRadioGroup::SetItems(const QStringList &items)
{
    qDeleteAll(m_items);
    m_items.clear();
    m_index = -1;
    for (int i = 0; i < items.size(); ++i) {
        auto *item = new QRadioButton(items.at(i), this);
        m_items.append(item);
        connect(item, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_index == i)
                return;
            m_index = i;
            emit Click();
        });
    }
    if (!m_items.isEmpty()) {
        m_index = 0; // a fresh group selects its first item without a click
        m_items.constFirst()->setChecked(true);
    }
    placeItems();
}

void TRadioGroup::SetColumnWidth(int width)
{
    m_columnWidth = width;
    placeItems();
}

void TRadioGroup::placeItems()
{
    for (int i = 0; i < m_items.size(); ++i)
        m_items.at(i)->setGeometry(4 + i * m_columnWidth, 14, m_columnWidth, 17);
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index < 0 || index >= m_items.size() || index == m_index)
        return;
    m_items.at(index)->setChecked(true);
}

QRadioButton *TRadioGroup::Item(int index) const
{
    return m_items.value(index);
}
