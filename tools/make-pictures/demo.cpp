// The demo control panel: the presetter with its X and Z axes.
#include "PictureKit.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

void arrow(QPainter &p, QPointF from, QPointF to, const QString &name)
{
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::max(1.0, std::hypot(to.x() - from.x(), to.y() - from.y()));
    const QPointF n(-d.y(), d.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - d * 14 + n * 7);
    head.lineTo(to - d * 14 - n * 7);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
    p.drawText(QRectF(to.x() - 20 + d.x() * 18, to.y() - 16 + d.y() * 18, 40, 32), Qt::AlignCenter, name);
}

// Base, column and camera head of the presetter, with the directions the
// X and Z controls move the picture in.
QImage presetter()
{
    QImage img(300, 200, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#90a4ae"));
    p.drawRect(QRectF(20, 160, 260, 24));   // base
    p.drawRect(QRectF(200, 30, 26, 130));   // column
    p.setBrush(QColor("#455a64"));
    p.drawRoundedRect(QRectF(120, 60, 90, 34), 6, 6); // camera head
    p.setBrush(QColor("#b0bec5"));
    p.drawRect(QRectF(50, 120, 40, 40));    // spindle
    p.drawRect(QRectF(62, 70, 16, 50));     // tool
    QFont f("Sans Serif");
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QPen(QColor("#c62828"), 3));
    arrow(p, QPointF(120, 40), QPointF(40, 40), "X");
    p.setPen(QPen(QColor("#1565c0"), 3));
    arrow(p, QPointF(250, 140), QPointF(250, 40), "Z");
    return img;
}

} // namespace

void drawDemoPictures(PictureFolder &out)
{
    out.save("T7E axis.png", presetter());
}
