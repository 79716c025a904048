#pragma once

#include "camera/FrameSource.h"

#include <QImage>
#include <QList>
#include <QMutex>

// Frames from pictures held in memory, in list order, starting again after the
// last one; each placed centred in the frame like the PNG folder source does.
class ImageListFrameSource : public CFrameSource
{
public:
    explicit ImageListFrameSource(const QList<QImage> &pictures);

    void nextFrame(uchar *dst, int width, int height) override;
    int framesServed() const;

private:
    QList<QImage> m_pictures;
    int m_next = 0;
    int m_served = 0;
    mutable QMutex m_lock;
};
