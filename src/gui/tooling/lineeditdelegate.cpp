#include "tooling/lineeditdelegate.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>

#include "shared/ShownValues.h"

void lineEditDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (!index.isValid() || !index.model())
        return;
    QLineEdit *edit = qobject_cast<QLineEdit *>(editor);
    if (!edit) {
        QSqlRelationalDelegate::setEditorData(editor, index);
        return;
    }
    const QVariant value = index.model()->data(index, Qt::EditRole);
    const QValidator *validator = edit->validator();
    QString text;
    if (const QDoubleValidator *dv = qobject_cast<const QDoubleValidator *>(validator)) {
        text = QString::number(value.toDouble(), 'f', dv->decimals());
        if (shown)
            shown->remember(index.column(), text, value);
    } else if (qobject_cast<const QIntValidator *>(validator)) {
        text = QString::number(qRound64(value.toDouble()));
    } else {
        text = value.toString();
        if (shown)
            shown->remember(index.column(), text, value);
        // A stored text longer than the field takes (written elsewhere) is
        // shown whole; the field's own limit holds again at the first edit.
        auto limit = typedLimits.constFind(edit);
        if (limit == typedLimits.constEnd()) {
            const int typed = edit->maxLength();
            limit = typedLimits.insert(edit, typed);
            connect(edit, &QLineEdit::textEdited, edit, [edit, typed] { edit->setMaxLength(typed); });
        }
        edit->setMaxLength(qMax(*limit, text.size()));
    }
    edit->setText(text);
}
