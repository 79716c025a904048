#pragma once

#include <QDateTime>
#include <QString>

class QPainter;

// What one tool label shows. The values come already formatted by the caller.
struct sLabelData
{
    QString machine;
    QString toolset;
    QString t;
    QString x;
    QString z;
    QString angle;
    QString radius;
    QString code;
    // True when x is a radius, false when it is a diameter.
    bool radiusMode = true;

    // True when nothing but (at most) the machine name is given: such a label
    // is not worth printing.
    bool isBlank() const;
};

// Paints the adhesive tool label. The painter is turned by 90 degrees first,
// so the label runs along the printer's paper feed: a layout point (x, y)
// lands on the device point (-y, x) and the label occupies negative layout y.
// offsetX moves the layout across the label, offsetY along it.
class LabelPainter
{
public:
    static void paint(QPainter &painter, const sLabelData &label, int offsetX, int offsetY,
                      const QString &footer);

    // The footer line: the vendor's label text, then the date and the time.
    static QString footer(const QString &logoText, const QDateTime &when);
};
