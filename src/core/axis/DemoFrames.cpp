#include "axis/DemoFrames.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace DemoFrames {

QVector<QRgb> greyPalette()
{
    QVector<QRgb> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = qRgb(i, i, i);
    return palette;
}

QImage blankFrame()
{
    QImage frame(kWidth, kHeight, QImage::Format_Indexed8);
    frame.setColorTable(greyPalette());
    frame.fill(255);
    return frame;
}

QImage toIndexedGrey(const QImage &picture)
{
    if (picture.isNull() || picture.format() == QImage::Format_Indexed8)
        return picture;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QImage out(grey.size(), QImage::Format_Indexed8);
    out.setColorTable(greyPalette());
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(grey.constScanLine(y), grey.width(), out.scanLine(y));
    return out;
}

QPoint clampOffset(const QImage &picture, QPoint offset)
{
    return QPoint(qBound(0, offset.x(), std::max(0, picture.width() - kWidth)),
                  qBound(0, offset.y(), std::max(0, picture.height() - kHeight)));
}

QImage window(const QImage &picture, QPoint offset)
{
    const QPoint at = clampOffset(picture, offset);
    return picture.copy(at.x(), at.y(), kWidth, kHeight);
}

void spindleBlur(QImage &frame, int dial)
{
    const int w = std::abs(dial);
    if (w == 0 || frame.format() != QImage::Format_Indexed8)
        return;
    const int step = 255 / w;
    const int width = frame.width();
    // However far the dial turns, the scan and the ramps stay in the frame.
    const int first = std::max(0, 321 - w);
    const int last = std::min(width - 1, 959 + w);
    const int bottom = std::min(frame.height() - 1, 831);
    if (first >= last)
        return;
    std::vector<uchar> row;
    for (int y = 192; y <= bottom; ++y) {
        uchar *line = frame.scanLine(y);
        // The steps are found on the sharp row, the ramps written into the frame.
        row.assign(line, line + width);
        bool light = row[first] >= 128;
        for (int x = first + 1; x <= last; ++x) {
            if (!light && row[x] >= 128) {
                light = true;
                for (int k = 1; k <= w && x - k >= 0; ++k)
                    line[x - k] = uchar(std::clamp(step * (w - k + 1), 0, 255));
            } else if (light && row[x] < 127) {
                light = false;
                for (int i = 0; i < w && x + i < width; ++i)
                    line[x + i] = uchar(std::clamp(255 - step * (i + 1), 0, 255));
            }
        }
    }
}

QString positionLine(int xOffset, int zOffset, float c)
{
    // The C value has a decimal point whatever the locale, as on the board's line.
    return QStringLiteral("X%1 Z%2 I0 O1 C%3")
        .arg(20000 - 10 * xOffset)
        .arg(100000 - 10 * zOffset)
        .arg(QString::number(double(c), 'f', 2));
}

} // namespace DemoFrames
