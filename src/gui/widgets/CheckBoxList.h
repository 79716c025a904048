#pragma once

#include <QComboBox>
#include <QItemDelegate>
#include <QStyledItemDelegate>
#include <QString>

// A combo box whose popup items are check boxes; its value is a bit mask in
// which item i stands for bit i. The closed combo shows the mask in decimal.
class CheckBoxList : public QComboBox
{
    Q_OBJECT
public:
    explicit CheckBoxList(QWidget *parent = nullptr);

    int getValue() const;
    // Checks the items of the set bits and unchecks all others.
    void setValue(int mask);
    void SetDisplayText(const QString &text);
    QString GetDisplayText() const;

    bool eventFilter(QObject *object, QEvent *event) override;

signals:
    // The shown value is about to change.
    void checkedItemsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_DisplayText;
    bool busy = false;
};

// Draws each item as a check box and edits it with one.
class CheckBoxListDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit CheckBoxListDelegate(QObject *parent) : QItemDelegate(parent) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};

// Draws a combo box's pop-up entries in the pop-up's own font (the one its
// style sheet gives the list), in rows sized for it: the combo hands its
// delegate its own font, which may be smaller.
class PopupItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit PopupItemDelegate(QComboBox *combo) : QStyledItemDelegate(combo) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
