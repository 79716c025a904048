#include "shared/ShownValues.h"

QVariant ShownValues::heldFor(int row, const QString &text) const
{
    const auto held = shown.constFind(row);
    return held != shown.constEnd() && held->text == text ? held->value : QVariant();
}
