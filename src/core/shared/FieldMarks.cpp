#include "shared/FieldMarks.h"

void FieldMarks::set(int row, bool failed)
{
    if (failed)
        rows.insert(row);
    else
        rows.remove(row);
}

bool FieldMarks::changed(const LayoutField &field, int row, const std::function<bool()> &passes)
{
    if (!rows.contains(row) || field.AutoDefault || !passes())
        return false;
    rows.remove(row);
    return true;
}
