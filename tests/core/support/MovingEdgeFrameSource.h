#pragma once

#include "camera/FrameSource.h"

#include <QByteArray>
#include <QMutex>
#include <QPointF>

#include <functional>

// A tool whose corner follows the axes: every frame asks where the corner
// stands now (measuring-window pixels) and shows a dark quadrant from there
// to the bottom right of the frame, so the tool's min-X edge is the vertical
// line at the corner's x and its min-Y edge the horizontal line at its y.
// Frames are rendered again only when the corner moved.
class MovingEdgeFrameSource : public CFrameSource
{
public:
    using Corner = std::function<QPointF()>;
    explicit MovingEdgeFrameSource(Corner corner);

    void nextFrame(uchar *dst, int width, int height) override;

private:
    Corner m_corner;
    QMutex m_lock;
    QPointF m_rendered{-1e9, -1e9};
    int m_width = 0;
    int m_height = 0;
    QByteArray m_frame;
};
