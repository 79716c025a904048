// The post-processor dialog: its window mask and the buttons that show icons
// only (confirm, exit and the tick pictures come from the main window's set).
#include "PictureKit.h"

#include <QPainter>
#include <QPainterPath>

namespace {

const Tile kTiles[] = {
    {"network.png", 65, 65, "PATH", "#0277bd"},
    {"checkall.png", 65, 65, "ALL", "#2e7d32"},
    {"uncheckall.png", 65, 65, "NONE", "#9e9e9e"},
};

// A rounded window: opaque inside, transparent outside.
QImage dialogMask()
{
    QImage img = blankPicture(1011, 586);
    QPainter p(&img);
    QPainterPath window;
    window.addRoundedRect(QRectF(0, 0, 1011, 586), 18, 18);
    p.fillPath(window, Qt::black);
    return img;
}

} // namespace

void drawPostProPictures(PictureFolder &out)
{
    out.saveTiles(kTiles, 24);
    out.save("maskPP.png", dialogMask());
}
