#pragma once

class QWidget;

// Which keys a widget is typed with: the one rule by which the key panel
// remembers a dialog's field, the input context tells a tap on a field, and
// the panel picks its layout.
enum class FieldKind {
    None,    // not typed into
    Numeric, // a line edit with a validator, a spin box: the numeric pad
    Text,    // a line edit without a validator, a text edit: the letter keyboard
    Choice   // a combo box: the letter keyboard, nothing selected
};

FieldKind fieldKind(const QWidget *w);
