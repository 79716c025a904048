// The DNC panel and the DataMatrix reading dialog.
#include "PictureKit.h"

#include <QPainter>

namespace {

const Tile kTiles[] = {
    {"balluf-default.png", 70, 70, "DEF", "#1565c0"},
    {"datamatrix.png", 31, 31, "DM", "#37474f"},
};

// The hand scanner of the reading dialog, seen from the side: its head at the
// top, the handle below, the reading window on the head's left end.
void drawScanner(QPainter &p, bool lit)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor("#607d8b"));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(150, 60, 150, 90), 12, 12);
    p.drawRect(QRectF(200, 150, 50, 110));
    if (!lit)
        return;
    // The reading beam falls from the window onto a tool code.
    const QRectF code(40, 75, 60, 60);
    p.setBrush(QColor(255, 40, 40, 110));
    p.drawPolygon(QPolygonF({QPointF(150, 90), QPointF(150, 120), code.bottomRight(), code.topRight()}));
    p.setBrush(QColor(255, 60, 60));
    p.drawRect(QRectF(146, 88, 6, 34));
    // The code: a solid L on its left and bottom sides, dotted along the
    // other two, white cells on black.
    p.setBrush(Qt::white);
    p.drawRect(code.adjusted(-4, -4, 4, 4));
    p.setBrush(Qt::black);
    const qreal cell = code.width() / 10;
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 10; ++col) {
            const bool edge = col == 0 || row == 9;
            const bool dotted = (row == 0 || col == 9) && (row + col) % 2 == 0;
            const bool inner = row > 0 && col < 9 && (row * 7 + col * 3) % 5 < 2;
            if (edge || dotted || inner)
                p.drawRect(QRectF(code.left() + col * cell, code.top() + row * cell, cell, cell));
        }
    p.setPen(QPen(QColor(255, 40, 40), 2));
    p.drawLine(QPointF(code.left() - 6, code.center().y()), QPointF(code.right() + 6, code.center().y()));
}

// The reading dialog alternates the scanner at rest, with its request, and
// the scanner reading a code; the latter also lies under the "OK" of an
// acknowledged send over the camera view, so it has no ground of its own.
QImage scannerAtRest()
{
    QImage img(451, 341, QImage::Format_ARGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    drawScanner(p, false);
    QFont f("Sans Serif");
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(200, 200, 200));
    p.drawText(QRect(0, 270, 451, 40), Qt::AlignCenter, "scan the tool code");
    return img;
}

QImage scannerReading()
{
    QImage img = blankPicture(451, 341);
    QPainter p(&img);
    drawScanner(p, true);
    return img;
}

} // namespace

void drawDncPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 24);
    out.save("scanner-off.png", scannerAtRest());
    out.save("scanner-on.png", scannerReading());
}
