#include "app/LabelPainter.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QRect>

bool sLabelData::isBlank() const
{
    for (const QString *s : {&toolset, &t, &x, &z, &angle, &radius, &code})
        if (!s->trimmed().isEmpty())
            return false;
    return true;
}

QString LabelPainter::footer(const QString &logoText, const QDateTime &when)
{
    return logoText + QLatin1Char(' ') + when.date().toString(Qt::TextDate) + QLatin1Char(' ') +
           when.time().toString(Qt::TextDate);
}

void LabelPainter::paint(QPainter &painter, const sLabelData &label, int offsetX, int offsetY,
                         const QString &footer)
{
    painter.rotate(90);

    const int x0 = offsetY + 40;
    const int y0 = offsetX - 75;

    // One font changed row by row.
    QFont font(QStringLiteral("Sans Serif"), 10, 75, false);
    QPen pen(QColor(0, 0, 0));

    // Machine name in white on a black bar of 150 x 17 (a stroked rectangle
    // is one pen width larger than its size).
    painter.setPen(pen);
    painter.setBrush(QBrush(QColor(0, 0, 0, 255), Qt::SolidPattern));
    painter.drawRect(QRect(x0, y0 - 15, 149, 16));
    painter.setBrush(Qt::NoBrush);

    painter.setFont(font);
    pen.setColor(Qt::white);
    painter.setPen(pen);
    painter.drawText(QRect(x0, y0 - 15, 150, 17), Qt::AlignHCenter | Qt::AlignVCenter, label.machine);

    pen.setColor(Qt::black);
    painter.setPen(pen);
    font.setWeight(50);
    painter.setFont(font);
    painter.drawText(QRect(x0 + 150, y0 - 15, 150, 17), Qt::AlignRight | Qt::AlignTop, label.toolset);

    font.setPointSize(12);
    painter.setFont(font);
    painter.drawText(QPoint(x0, y0 + 20),
                     QStringLiteral("T ") + label.t + QLatin1Char(' ') + label.code);

    font.setFamily(QStringLiteral("Courier new"));
    font.setPointSize(24);
    font.setWeight(75);
    painter.setFont(font);
    painter.drawText(QPoint(x0, y0 + 55), QStringLiteral("X"));
    painter.drawText(QPoint(x0, y0 + 85), QStringLiteral("Z"));
    painter.drawText(QRect(x0 + 35, y0 + 30, 160, 30), Qt::AlignRight | Qt::AlignTop, label.x);
    painter.drawText(QRect(x0 + 35, y0 + 60, 160, 30), Qt::AlignRight | Qt::AlignTop, label.z);

    font.setPointSize(12);
    painter.setFont(font);
    painter.drawText(QPoint(x0 + 22, y0 + 55), label.radiusMode ? QStringLiteral("r") : QStringLiteral("d"));

    font.setPointSize(11);
    painter.setFont(font);
    if (!label.angle.trimmed().isEmpty())
        painter.drawText(QPoint(x0 + 207, y0 + 50), QStringLiteral("A ") + label.angle);
    if (!label.radius.trimmed().isEmpty())
        painter.drawText(QPoint(x0 + 207, y0 + 80), QStringLiteral("Cr ") + label.radius);

    font.setPointSize(8);
    font.setWeight(50);
    font.setItalic(true);
    painter.setFont(font);
    painter.drawText(QPoint(x0, y0 + 105), footer);
}
