#include "camera/CameraAxes.h"

#include "shared/SharedStruct.h"

CameraAxes CameraAxes::of(const s_machine &m)
{
    CameraAxes a;
    a.isRadius = m.isRadius;
    a.swapXZ = m.swapXZ;
    a.reverseX = m.swapXZ ? m.reverseZ : m.reverseX;
    a.reverseZ = m.swapXZ ? m.reverseX : m.reverseZ;
    a.isMM = m.IsMM;
    return a;
}

QPointF CameraAxes::alongAxes(QPointF p) const
{
    // X grows to the left and Z upwards; swapped, X grows upwards and Z to the right.
    double x = swapXZ ? p.y() : -p.x();
    double z = swapXZ ? p.x() : p.y();
    if (reverseX)
        x = -x;
    if (reverseZ)
        z = -z;
    return QPointF(x, z);
}

QPointF CameraAxes::onPicture(QPointF a) const
{
    const double x = reverseX ? -a.x() : a.x();
    const double z = reverseZ ? -a.y() : a.y();
    return swapXZ ? QPointF(z, x) : QPointF(-x, z);
}

double CameraAxes::radius(double x) const
{
    return isRadius ? x : x / 2;
}

QPointF CameraAxes::position(QPointF axes, QPointF p) const
{
    return QPointF(radius(axes.x()), axes.y()) + alongAxes(p);
}

QPointF CameraAxes::onPictureOf(QPointF axes, QPointF position) const
{
    return onPicture(position - QPointF(radius(axes.x()), axes.y()));
}

double CameraAxes::shownX(double radiusMm) const
{
    return shownZ(isRadius ? radiusMm : 2 * radiusMm);
}

double CameraAxes::shownZ(double mm) const
{
    return isMM ? mm : mm / 25.4;
}
