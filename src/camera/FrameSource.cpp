#include "FrameSource.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

CFrameSource::~CFrameSource() = default;

void CFrameSource::placeCentred(const QImage &picture, uchar *dst, int width, int height)
{
    if (!dst || width <= 0 || height <= 0)
        return;
    std::memset(dst, 255, size_t(width) * size_t(height));
    if (picture.isNull())
        return;
    const QImage grey = picture.format() == QImage::Format_Grayscale8
            ? picture
            : picture.convertToFormat(QImage::Format_Grayscale8);

    // Offset of the picture's top-left corner in the frame; negative when the
    // picture is larger and must be cropped.
    const int left = (width - grey.width()) / 2;
    const int top = (height - grey.height()) / 2;
    const int x0 = std::max(0, left);
    const int x1 = std::min(width, left + grey.width());
    const int y0 = std::max(0, top);
    const int y1 = std::min(height, top + grey.height());
    if (x0 >= x1 || y0 >= y1)
        return;
    for (int y = y0; y < y1; ++y) {
        const uchar *src = grey.constScanLine(y - top) + (x0 - left);
        std::memcpy(dst + size_t(y) * size_t(width) + size_t(x0), src, size_t(x1 - x0));
    }
}

void CFrameSource::shiftFrame(const uchar *src, uchar *dst, int width, int height, QPointF shift)
{
    if (!src || !dst || width <= 0 || height <= 0)
        return;
    // Pixel (x, y) shows the source at (x - shift.x, y - shift.y): between
    // the pixels c0 and c1 = c0 + 1, weighted in 256ths.
    const double sx = std::floor(shift.x()), sy = std::floor(shift.y());
    const int wx = int(std::lround((shift.x() - sx) * 256)); // weight of c0
    const int wy = int(std::lround((shift.y() - sy) * 256));
    const auto clampTo = [](double v, int n) { return int(std::clamp(v, 0.0, double(n - 1))); };
    std::vector<int> c0(static_cast<size_t>(width)), c1(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        c0[size_t(x)] = clampTo(x - sx - 1, width);
        c1[size_t(x)] = clampTo(x - sx, width);
    }
    for (int y = 0; y < height; ++y) {
        const uchar *r0 = src + size_t(clampTo(y - sy - 1, height)) * size_t(width);
        const uchar *r1 = src + size_t(clampTo(y - sy, height)) * size_t(width);
        uchar *out = dst + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x) {
            const int i0 = c0[size_t(x)], i1 = c1[size_t(x)];
            const int top = r0[i0] * wx + r0[i1] * (256 - wx);
            const int bottom = r1[i0] * wx + r1[i1] * (256 - wx);
            out[x] = uchar((top * wy + bottom * (256 - wy) + 32768) >> 16);
        }
    }
}
