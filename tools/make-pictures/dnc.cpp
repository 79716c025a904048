// The DNC panel and the DataMatrix reading dialog.
#include "PictureKit.h"

#include <QPainter>

namespace {

const Tile kTiles[] = {
    {"balluf-default.png", 70, 70, "DEF", "#1565c0"},
    {"datamatrix.png", 31, 31, "DM", "#37474f"},
};

// The reading dialog's picture of the scanner at rest (the camera panel's
// scanner picture is the other one).
QImage scannerOff()
{
    QImage img(451, 341, QImage::Format_ARGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor("#607d8b"));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(150, 60, 150, 90), 12, 12);
    p.drawRect(QRectF(200, 150, 50, 110));
    QFont f("Sans Serif");
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(200, 200, 200));
    p.drawText(QRect(0, 270, 451, 40), Qt::AlignCenter, "scan the tool code");
    return img;
}

} // namespace

void drawDncPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 24);
    out.save("scanner-off.png", scannerOff());
}
