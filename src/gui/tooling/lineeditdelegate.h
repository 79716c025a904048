#pragma once

#include <QHash>
#include <QSqlRelationalDelegate>

class QLineEdit;
class ShownValues;

// Fills the tooling-table editor's line edits from the current tool with as
// many decimals as each field's validator accepts, so what the operator sees
// is what can be typed back. The number each field was filled from is kept,
// by column, for the panel that reads the fields back; a text field keeps the
// stored value itself (NULL, or longer than the field takes) while unedited.
class lineEditDelegate : public QSqlRelationalDelegate
{
    Q_OBJECT
public:
    using QSqlRelationalDelegate::QSqlRelationalDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void recordInto(ShownValues *record) { shown = record; }

private:
    ShownValues *shown = nullptr;
    // Each text field's own length limit, for typing.
    mutable QHash<const QLineEdit *, int> typedLimits;
};
