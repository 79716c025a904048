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
    v.cameraAngle = cam.cameraAngle;
    v.xCalibration = cam.XCalibration;

    // Everything the camera found comes from one frame.
    const EdgeResult r = cam.result();
    v.frozen = r.frozen;
    const int order[4] = {EXT_MIN_X, EXT_MAX_X, EXT_MIN_Y, EXT_MAX_Y};
    for (int i = 0; i < 4; ++i) {
        const int e = order[i];
        v.liveValid[i] = r.valid[e];
        v.live[i] = r.mm[e];
        v.heldValid[i] = !(r.frozenPoint[e].x == 0 && r.frozenPoint[e].y == 0);
        v.held[i] = r.frozenMm[e];
    }
    v.circleX = r.circle.x;
    v.circleY = r.circle.y;
    v.circleRadius = r.circle.radius;
    v.crossingX = r.intersection.x();
    v.crossingY = r.intersection.y();
    v.crossingOnAxis = r.crossingOnAxis;
    return v;
}
