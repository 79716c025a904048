#include "camera/cFocusBars.h"

#include <QPainter>
#include <QPen>

namespace {
// Integer half rounded toward minus infinity.
int floorHalf(int v)
{
    return v >= 0 ? v / 2 : -((-v + 1) / 2);
}
}

cFocusBars::cFocusBars(QWidget* /*parent*/, int x_, int y_, int w, int h)
    : QObject(nullptr)
{
    setSize(x_, y_, w, h);
    for (PeakHold& hold : holds)
        hold.timer.setSingleShot(true);
    connect(&holds[MinX].timer, &QTimer::timeout, this, &cFocusBars::slot_hideMinXFocus);
    connect(&holds[MaxX].timer, &QTimer::timeout, this, &cFocusBars::slot_hideMaxXFocus);
    connect(&holds[MinZ].timer, &QTimer::timeout, this, &cFocusBars::slot_hideMinZFocus);
    connect(&holds[MaxZ].timer, &QTimer::timeout, this, &cFocusBars::slot_hideMaxZFocus);
}

void cFocusBars::setSize(int x_, int y_, int w, int h)
{
    x = x_;
    y = y_;
    width = w;
    height = h;
    cx = x + floorHalf(width);
    cy = y + floorHalf(height);
}

void cFocusBars::raise(Graph g, int n)
{
    PeakHold& hold = holds[g];
    if (n <= hold.peak)
        return;
    hold.shown = true;
    hold.peak = n;
    hold.timer.stop();
    hold.timer.start(holdMs);
}

void cFocusBars::clear(Graph g)
{
    holds[g].shown = false;
    holds[g].peak = 0;
}

void cFocusBars::slot_hideMinXFocus() { clear(MinX); }
void cFocusBars::slot_hideMaxXFocus() { clear(MaxX); }
void cFocusBars::slot_hideMinZFocus() { clear(MinZ); }
void cFocusBars::slot_hideMaxZFocus() { clear(MaxZ); }

void cFocusBars::drawFocus(QPainter* painter, int minX, int maxX, int minZ, int maxZ)
{
    painter->save();
    painter->setPen(QPen(Qt::red, 2));

    // Bars rise like a ramp, 5 pixels apart, starting 80 pixels from the centre.
    auto vertical = [&](int col, int i) { painter->drawLine(col, y + 2, col, y + 10 + i); };
    auto horizontal = [&](int row, int i) { painter->drawLine(x + 2, row, x + 10 + i, row); };

    // min X: along the top edge, left of the centre.
    int n = minX / 5;
    for (int i = 0; i < n; ++i)
        vertical(cx - 80 - 5 * i, i);
    raise(MinX, n);
    if (holds[MinX].shown && n != 0)
        vertical(cx - 80 - 5 * holds[MinX].peak, holds[MinX].peak);

    // max X: along the top edge, right of the centre.
    n = maxX / 5;
    for (int i = 0; i < n; ++i)
        vertical(cx + 80 + 5 * i, i);
    raise(MaxX, n);
    if (holds[MaxX].shown && n != 0)
        vertical(cx + 80 + 5 * holds[MaxX].peak, holds[MaxX].peak);

    // max Z: along the left edge, below the centre. Its held mark stays even
    // when the current value gives no bar.
    n = maxZ / 5;
    for (int i = 0; i < n; ++i)
        horizontal(cy + 80 + 5 * i, i);
    raise(MaxZ, n);
    if (holds[MaxZ].shown)
        horizontal(cy + 80 + 5 * holds[MaxZ].peak, holds[MaxZ].peak);

    // min Z: along the left edge, above the centre.
    n = minZ / 5;
    for (int i = 0; i < n; ++i)
        horizontal(cy - 80 - 5 * i, i);
    raise(MinZ, n);
    if (holds[MinZ].shown && n != 0)
        horizontal(cy - 80 - 5 * holds[MinZ].peak, holds[MinZ].peak);

    painter->restore();
}
