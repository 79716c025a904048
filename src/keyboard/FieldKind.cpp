#include "keyboard/FieldKind.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

FieldKind fieldKind(const QWidget *w)
{
    if (const auto *le = qobject_cast<const QLineEdit *>(w))
        return le->validator() ? FieldKind::Numeric : FieldKind::Text;
    if (qobject_cast<const QAbstractSpinBox *>(w))
        return FieldKind::Numeric;
    if (qobject_cast<const QTextEdit *>(w) || qobject_cast<const QPlainTextEdit *>(w))
        return FieldKind::Text;
    if (qobject_cast<const QComboBox *>(w))
        return FieldKind::Choice;
    return FieldKind::None;
}
