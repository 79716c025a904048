// The camera fields the axis readouts combine, read in one go.
#include "axis/cAxisInterface.h"

#include "camera/VideoDevice.h"

cAxisInterface::CameraView cAxisInterface::cameraView() const
{
    CameraView v;
    if (!camera)
        return v;
    const CVideoDevice &cam = *camera;
    v.measureLines = cam.measureLines;
    v.autoAngle = cam.autoAngle;
    v.frozen = cam.frozen;
    v.cameraAngle = cam.cameraAngle;
    v.xCalibration = cam.XCalibration;

    v.liveValid[CameraView::MinX] = cam.MinXValid();
    v.liveValid[CameraView::MaxX] = cam.MaxXValid();
    v.liveValid[CameraView::MinY] = cam.MinYValid();
    v.liveValid[CameraView::MaxY] = cam.MaxYValid();
    v.live[CameraView::MinX] = cam.getMinX(false);
    v.live[CameraView::MaxX] = cam.getMaxX(false);
    v.live[CameraView::MinY] = cam.getMinY(false);
    v.live[CameraView::MaxY] = cam.getMaxY(false);
    v.heldValid[CameraView::MinX] = cam.isValidFrozenMinX();
    v.heldValid[CameraView::MaxX] = cam.isValidFrozenMaxX();
    v.heldValid[CameraView::MinY] = cam.isValidFrozenMinY();
    v.heldValid[CameraView::MaxY] = cam.isValidFrozenMaxY();
    v.held[CameraView::MinX] = cam.getMinX(true);
    v.held[CameraView::MaxX] = cam.getMaxX(true);
    v.held[CameraView::MinY] = cam.getMinY(true);
    v.held[CameraView::MaxY] = cam.getMaxY(true);

    const CircleResult circle = cam.getAutoCircle();
    v.circleX = circle.x;
    v.circleY = circle.y;
    v.circleRadius = circle.radius;
    const QPoint crossing = cam.getIntersection();
    v.crossingX = crossing.x();
    v.crossingY = crossing.y();
    return v;
}
