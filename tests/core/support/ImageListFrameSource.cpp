#include "support/ImageListFrameSource.h"

#include <QMutexLocker>

ImageListFrameSource::ImageListFrameSource(const QList<QImage> &pictures)
    : m_pictures(pictures)
{
}

void ImageListFrameSource::nextFrame(uchar *dst, int width, int height)
{
    QMutexLocker lock(&m_lock);
    ++m_served;
    if (m_pictures.isEmpty()) {
        placeCentred(QImage(), dst, width, height);
        return;
    }
    placeCentred(m_pictures.at(m_next), dst, width, height);
    m_next = (m_next + 1) % m_pictures.size();
}

int ImageListFrameSource::framesServed() const
{
    QMutexLocker lock(&m_lock);
    return m_served;
}
