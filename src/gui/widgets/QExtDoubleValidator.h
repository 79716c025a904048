#pragma once

#include <QDoubleValidator>
#include <QIntValidator>

// Numeric validators that refuse a text at once unless it is a complete
// number or one of the few starts of a number a user must be able to type.
// They also refuse what the program's later text-to-number conversion could
// not read (group separators such as "1,000").
class QExtDoubleValidator : public QDoubleValidator
{
public:
    QExtDoubleValidator(double bottom, double top, int decimals, QObject *parent);
    State validate(QString &input, int &pos) const override;
};

class QExtIntValidator : public QIntValidator
{
    Q_OBJECT
public:
    explicit QExtIntValidator(QObject *parent = nullptr);
    QExtIntValidator(int bottom, int top, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
};
