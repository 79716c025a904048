#pragma once

#include <QValidator>

// Editor rule of an "int" DNC field whose Format prints its number in base 8
// or 16: the digits of that base (for 16 after an optional "0x"), read as the
// Format's text is read back, within the field's bounds.
class DncBaseValidator : public QValidator
{
    Q_OBJECT
public:
    DncBaseValidator(int base, int bottom, int top, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    int base;
    int bottom;
    int top;
};
