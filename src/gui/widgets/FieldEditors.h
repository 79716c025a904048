#pragma once

#include "shared/FieldValues.h"

class QComboBox;
class QObject;
class QValidator;

// The editor widgets' part of the field rules (FieldValues) that the DNC
// panel and the tag editor share.
namespace FieldEditors {

// The rule of a number field's line editor: the Format's own text and the
// number in its base within the bounds; a minus sign where a number can be
// negative. unboundedFloor: the lowest float a field without bounds takes.
// decimals: the most a float field keeps (-1: no limit beyond its Format,
// or the 3 decimals of a field without one). Null for fields that are no
// number.
QValidator *numberValidator(const FieldValues::Rule &rule, double unboundedFloor, QObject *parent,
                            int decimals = -1);

// A list field's pop-up shows its entries in its own font.
void listPopup(QComboBox *combo);

}
