#pragma once

#include "camera/CameraAxes.h"
#include "camera/GeometryFunctions.h"

// What the axis link needs of the camera: the edges it found at one moment,
// the scales' linear compensation, and where to hand the axis position. The
// camera implements it, so the axis link knows no capture device.
class AxisCamera
{
public:
    // Read at one moment: the capture thread changes these while the GUI reads them.
    struct View
    {
        enum { MinX = 0, MaxX = 1, MinY = 2, MaxY = 3 };
        bool measureLines = false;
        bool autoAngle = false;
        bool frozen = false;
        float cameraAngle = 0;
        float xCalibration = 0;
        bool liveValid[4] = {false, false, false, false};   // MinXValid() ...
        float live[4] = {0, 0, 0, 0};                       // getMinX(false) ...
        bool heldValid[4] = {false, false, false, false};   // isValidFrozenMinX() ...
        float held[4] = {0, 0, 0, 0};                       // getMinX(true) ...
        int circleX = kNoPoint, circleY = kNoPoint, circleRadius = 0;
        int crossingX = kNoPoint, crossingY = kNoPoint;
        bool crossingOnAxis = false;
    };

    virtual ~AxisCamera() = default;
    virtual View axisView() const = 0;
    // Factors the board's counts are multiplied by, per axis.
    virtual float compensationX() const = 0;
    virtual float compensationZ() const = 0;
    // The axis position (machine millimetres) and the axes it is read on.
    virtual void setAxisPosition(float x, float z, const CameraAxes &axes) = 0;
};
