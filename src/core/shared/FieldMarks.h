#pragma once

#include <QSet>

#include <functional>

#include "shared/LayoutField.h"

// The red marks that the checks before a DNC send or a tag write leave on
// the fields that failed. A mark follows its field's value: whenever a
// marked field's value changes, on any road, it is checked again as the
// send checks it, and the mark goes once the value passes.
class FieldMarks
{
public:
    // The checks' verdict on a row; clear forgets every mark.
    void set(int row, bool failed);
    void clear() { rows.clear(); }
    bool has(int row) const { return rows.contains(row); }

    // Row's value changed: a marked row is checked again (passes) and loses
    // its mark when it passes; true then. A field that forces its default
    // keeps it: its check takes the default whatever its editor shows.
    bool changed(const LayoutField &field, int row, const std::function<bool()> &passes);

private:
    QSet<int> rows;
};
