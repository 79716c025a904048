#pragma once

#include <QSqlRelationalDelegate>

class ShownValues;

// Fills the tooling-table editor's line edits from the current tool with as
// many decimals as each field's validator accepts, so what the operator sees
// is what can be typed back. The number each field was filled from is kept,
// by column, for the panel that reads the fields back.
class lineEditDelegate : public QSqlRelationalDelegate
{
    Q_OBJECT
public:
    using QSqlRelationalDelegate::QSqlRelationalDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void recordInto(ShownValues *record) { shown = record; }

private:
    ShownValues *shown = nullptr;
};
