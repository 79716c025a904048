#include "support/MovingEdgeFrameSource.h"

#include "support/SyntheticScene.h"

#include <QMutexLocker>

#include <cstring>

MovingEdgeFrameSource::MovingEdgeFrameSource(Corner corner)
    : m_corner(std::move(corner))
{
}

void MovingEdgeFrameSource::nextFrame(uchar *dst, int width, int height)
{
    const QPointF corner = m_corner();
    QMutexLocker lock(&m_lock);
    if (corner != m_rendered || width != m_width || height != m_height) {
        SyntheticScene scene(width, height);
        scene.addRect(corner.x(), corner.y(), 4000, 4000);
        m_frame = scene.render();
        m_rendered = corner;
        m_width = width;
        m_height = height;
    }
    std::memcpy(dst, m_frame.constData(), size_t(width) * size_t(height));
}
