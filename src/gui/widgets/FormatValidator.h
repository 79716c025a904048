#pragma once

#include <QValidator>

#include "shared/ValueFormat.h"

// Editor rule of a number field shown through a Format: the Format's own
// text or the bare number in its base (a character code for %c), read as the
// field's value is read, within the field's bounds and the values the Format
// can show. The starts of such texts are let through while typing.
class FormatValidator : public QValidator
{
    Q_OBJECT
public:
    // decimals: the most a value may have (where the field's store keeps no
    // more than the Format shows); -1 for no limit but the Format's.
    FormatValidator(const ValueFormat &format, double bottom, double top, QObject *parent, int decimals = -1);
    State validate(QString &input, int &pos) const override;

private:
    bool partialNumber(const QString &text) const;

    ValueFormat format;
    double bottom;
    double top;
    int decimals;
};
