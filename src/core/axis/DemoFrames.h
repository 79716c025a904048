#pragma once

#include <QImage>
#include <QPoint>
#include <QString>
#include <QVector>

// The pictures of the demo control panel, free of widgets: sample pictures
// made 8-bit grey in memory, the 1280 x 1024 camera window moved over them,
// the blur of a turning spindle and the board's position line.
namespace DemoFrames {

constexpr int kWidth = 1280;
constexpr int kHeight = 1024;

// Palette entry i is grey level i.
QVector<QRgb> greyPalette();
// A white 1280 x 1024 8-bit indexed frame.
QImage blankFrame();
// The picture as 8-bit indexed with the grey palette; an 8-bit indexed
// picture is returned as it is. Nothing is written anywhere.
QImage toIndexedGrey(const QImage &picture);
// The window's top-left corner kept inside the picture (0 when the picture is
// no larger than the window).
QPoint clampOffset(const QImage &picture, QPoint offset);
// The 1280 x 1024 window of the picture at the offset (kept inside it).
QImage window(const QImage &picture, QPoint offset);
// Blurs the edges in the middle of the frame as a spindle turning by `dial`
// would: ramps of |dial| pixels at each step between dark and light.
void spindleBlur(QImage &frame, int dial);
// What the board would send for these window offsets and C value.
QString positionLine(int xOffset, int zOffset, float c);

} // namespace DemoFrames
