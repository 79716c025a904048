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
    // Extreme edges, found circle and line crossing: none reported yet.
    return v;
}
