#include "app/CameraPalettes.h"

namespace CameraPalettes {

QVector<QRgb> grey(int forceBlack, int forceWhite)
{
    QVector<QRgb> table;
    table.reserve(256);
    for (int i = 0; i < 256; ++i) {
        if (i < forceBlack)
            table.append(qRgb(0, 0, 0));
        else if (i > forceWhite)
            table.append(qRgb(255, 255, 255));
        else
            table.append(qRgb(i, i, i));
    }
    return table;
}

QVector<QRgb> threshold()
{
    QVector<QRgb> table;
    table.reserve(256);
    for (int i = 0; i < 256; ++i)
        table.append(i < 127 ? qRgb(85, 170, 0) : qRgb(255, 255, 127));
    return table;
}

QVector<QRgb> inspection(int tint)
{
    QVector<QRgb> table;
    table.reserve(256);
    for (int i = 0; i < 256; ++i) {
        switch (tint) {
        case Cyan:
            table.append(qRgb(0, i, i));
            break;
        case Magenta:
            table.append(qRgb(i, 0, i));
            break;
        case Yellow:
            table.append(qRgb(i, i, 0));
            break;
        default:
            table.append(qRgb(i, i, i));
            break;
        }
    }
    return table;
}

} // namespace CameraPalettes
