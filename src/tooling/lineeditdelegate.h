#pragma once

#include <QSqlRelationalDelegate>

// Fills the tooling-table editor's line edits from the current tool with as
// many decimals as each field's validator accepts, so what the operator sees
// is what can be typed back.
class lineEditDelegate : public QSqlRelationalDelegate
{
    Q_OBJECT
public:
    using QSqlRelationalDelegate::QSqlRelationalDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
};
