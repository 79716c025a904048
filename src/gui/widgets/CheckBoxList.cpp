#include "widgets/CheckBoxList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

CheckBoxList::CheckBoxList(QWidget *parent)
    : QComboBox(parent), m_DisplayText(QStringLiteral("0"))
{
    view()->setItemDelegate(new CheckBoxListDelegate(this));
    // Moving to an item opens its check box at once.
    view()->setEditTriggers(QAbstractItemView::CurrentChanged);
    view()->viewport()->installEventFilter(this);
}

bool CheckBoxList::eventFilter(QObject *object, QEvent *event)
{
    // Keep the popup open while items are toggled.
    if (event->type() == QEvent::MouseButtonRelease && object == view()->viewport())
        return true;
    return QComboBox::eventFilter(object, event);
}

int CheckBoxList::getValue() const
{
    // The top bit of a 32-bit field reads back as the int it was set from.
    bool ok = false;
    const qlonglong v = m_DisplayText.toLongLong(&ok);
    return ok ? int(quint32(quint64(v))) : 0;
}

void CheckBoxList::setValue(int mask)
{
    busy = true;
    const quint32 bits = quint32(mask);
    for (int i = 0; i < count(); ++i)
        setItemData(i, i < 32 && (bits & (quint32(1) << i)) != 0, Qt::UserRole);
    // Shown as the repaint sums the items, so that the top bit of a 32-bit
    // field does not make the repaint report a change.
    SetDisplayText(QString::number(bits));
    busy = false;
}

void CheckBoxList::SetDisplayText(const QString &text)
{
    if (text != m_DisplayText)
        emit checkedItemsChanged();
    m_DisplayText = text;
}

QString CheckBoxList::GetDisplayText() const
{
    return m_DisplayText;
}

void CheckBoxList::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox opt;
    initStyleOption(&opt);

    // The value follows the check states of the items.
    quint64 mask = 0;
    for (int i = 0; i < count() && i < 64; ++i) {
        if (itemData(i, Qt::UserRole).toBool())
            mask += quint64(1) << i;
    }
    if (!busy)
        SetDisplayText(QString::number(mask));

    opt.currentText = m_DisplayText.isNull() ? QStringLiteral("0") : m_DisplayText;
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

namespace {
// The font a combo's pop-up list shows its entries in.
QFont popupFont(const QObject *combo)
{
    return static_cast<const QComboBox *>(combo)->view()->font();
}
} // namespace

void CheckBoxListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionButton box;
    box.rect = option.rect;
    box.fontMetrics = QFontMetrics(popupFont(parent()));
    painter->setFont(popupFont(parent()));
    box.text = index.data(Qt::DisplayRole).toString();
    box.state = (index.data(Qt::UserRole).toBool() ? QStyle::State_On : QStyle::State_Off)
        | QStyle::State_Enabled;
    QApplication::style()->drawControl(QStyle::CE_CheckBox, &box, painter);
}

QSize CheckBoxListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem own = option;
    own.font = popupFont(parent());
    own.fontMetrics = QFontMetrics(own.font);
    return QItemDelegate::sizeHint(own, index);
}

QWidget *CheckBoxListDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &) const
{
    return new QCheckBox(parent);
}

void CheckBoxListDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = static_cast<QCheckBox *>(editor);
    box->setFont(popupFont(parent()));
    box->setText(index.data(Qt::DisplayRole).toString());
    box->setChecked(index.data(Qt::UserRole).toBool());
}

void CheckBoxListDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    auto *box = static_cast<QCheckBox *>(editor);
    QMap<int, QVariant> roles;
    roles.insert(Qt::DisplayRole, box->text());
    roles.insert(Qt::UserRole, box->isChecked());
    model->setItemData(index, roles);
}

void CheckBoxListDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void PopupItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->font = popupFont(parent());
    option->fontMetrics = QFontMetrics(option->font);
}
