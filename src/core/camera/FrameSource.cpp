#include "FrameSource.h"

#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstring>

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
    // the pixels c0 and c1 = c0 + 1, weighted in sixteenths. Finer would not
    // show in 8-bit greys, and the sums stay within 16 bits, which keeps the
    // moving demo camera cheap.
    const double sx = std::floor(shift.x()), sy = std::floor(shift.y());
    const int wx = int(std::lround((shift.x() - sx) * 16)); // weight of c0
    const int wy = int(std::lround((shift.y() - sy) * 16));
    const auto clampTo = [](double v, int n) { return int(std::clamp(v, 0.0, double(n - 1))); };
    // Columns whose two source pixels both lie inside the row: there c0 is
    // x - sx - 1, so the loop runs over plain runs of bytes. The columns
    // outside it repeat the border.
    const int inFrom = int(std::clamp(sx + 1, 0.0, double(width)));
    const int inTo = int(std::clamp(sx + width, double(inFrom), double(width)));
    // c0 of column inFrom; a shift of more than the frame leaves no such column.
    const int offset = inFrom < inTo ? inFrom - int(sx) - 1 : 0;
    const quint16 hx0 = quint16(wx), hx1 = quint16(16 - wx);
    const quint16 vy0 = quint16(wy), vy1 = quint16(16 - wy);
    const auto blend = [=](quint16 a0, quint16 a1, quint16 b0, quint16 b1) {
        const quint16 top = quint16(a0 * hx0 + a1 * hx1);
        const quint16 bottom = quint16(b0 * hx0 + b1 * hx1);
        return uchar(quint16(top * vy0 + bottom * vy1 + 128) >> 8);
    };
    for (int y = 0; y < height; ++y) {
        const uchar *r0 = src + size_t(clampTo(y - sy - 1, height)) * size_t(width);
        const uchar *r1 = src + size_t(clampTo(y - sy, height)) * size_t(width);
        uchar *out = dst + size_t(y) * size_t(width);
        const auto edge = [&](int x) {
            const int i0 = clampTo(x - sx - 1, width), i1 = clampTo(x - sx, width);
            out[x] = blend(r0[i0], r0[i1], r1[i0], r1[i1]);
        };
        for (int x = 0; x < inFrom; ++x)
            edge(x);
        const uchar *__restrict a = r0 + offset;
        const uchar *__restrict b = r1 + offset;
        uchar *__restrict o = out + inFrom;
        const int n = inTo - inFrom;
        for (int i = 0; i < n; ++i)
            o[i] = blend(a[i], a[i + 1], b[i], b[i + 1]);
        for (int x = inTo; x < width; ++x)
            edge(x);
    }
}
