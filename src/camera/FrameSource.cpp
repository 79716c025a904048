#include "FrameSource.h"

#include <QImage>

#include <algorithm>
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
