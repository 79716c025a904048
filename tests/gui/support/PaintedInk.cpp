#include "support/PaintedInk.h"

#include <QImage>
#include <QVector>

#include <algorithm>

QRect paintedInk(const QImage &image, const QRect &area)
{
    const QRect r = area & image.rect();
    QVector<int> count(256, 0);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++count[qGray(image.pixel(x, y))];
    const int background = int(std::max_element(count.begin(), count.end()) - count.begin());
    QRect ink;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (std::abs(qGray(image.pixel(x, y)) - background) >= 96)
                ink |= QRect(x, y, 1, 1);
    return ink;
}
