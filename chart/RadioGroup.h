#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QRadioButton;

// A radio group: a framed box of items in columns, one of them selected.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
    // Given by the form file: the items, made afresh with the first one
    // selected, and the width of each item's column. The form marks the items
    // untranslated so that they are made with the group, not after the tab order.
    Q_PROPERTY(QStringList items READ Items WRITE SetItems)
    Q_PROPERTY(int columnWidth READ ColumnWidth WRITE SetColumnWidth)
public:
    explicit TRadioGroup(QWidget *parent = nullptr);
    QStringList Items() const;
    void SetItems(const QStringList &items);
    int ColumnWidth() const { return m_columnWidth; }
    void SetColumnWidth(int width);
    int ItemIndex() const { return m_index; }
    // Selecting the item already selected changes nothing and signals nothing.
    void SetItemIndex(int index);
    QRadioButton *Item(int index) const;

signals:
    void Click();

private:
    void placeItems();

    QList<QRadioButton *> m_items;
    int m_index = -1;
    int m_columnWidth = 0;
};
