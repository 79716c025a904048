#include "StandInCarriage.h"

#include "camera/CameraAxes.h"
#include "camera/VideoDevice.h"
#include "shared/SharedStruct.h"

#include <QMutexLocker>

namespace {

// Scale reading (mm) behind coordinate v of an axis: the axis link's
// reference, reversal and incremental zero undone.
double scaleOf(double v, const CStandInCarriage::AxisRefs &a)
{
    const double t = RefLength::tenthsOf(v);
    const double fromRef = a.reverse ? double(a.ref) - t : t - double(a.ref);
    return RefLength::millimetresOf(fromRef + a.sysRef + (a.incr ? a.incrZero : 0));
}

double distance(QPointF a, QPointF b)
{
    return (a - b).manhattanLength();
}

} // namespace

CStandInCarriage::CStandInCarriage(CVideoDevice *device, double mmPerPixel)
    : m_device(device), m_mmPerPixel(mmPerPixel > 0 ? mmPerPixel : 0.01)
{
}

CStandInCarriage::Machine CStandInCarriage::Machine::current()
{
    const s_machine &c = CurrentMachine;
    const AxisRefs x{c.Xref.tenths, c.sysXref, c.xIncrZero, c.reverseX, c.xIncr};
    const AxisRefs z{c.Zref.tenths, c.sysZref, c.zIncrZero, c.reverseZ, c.zIncr};
    Machine m;
    m.x = c.swapXZ ? z : x;
    m.z = c.swapXZ ? x : z;
    m.isRadius = c.isRadius;
    m.swapXZ = c.swapXZ;
    return m;
}

QPointF CStandInCarriage::scales(QPointF machineXZ, const Machine &m)
{
    // A diameter machine doubles the X coordinate.
    const double x = scaleOf(m.isRadius ? machineXZ.x() : machineXZ.x() / 2, m.x);
    const double z = scaleOf(machineXZ.y(), m.z);
    return m.swapXZ ? QPointF(z, x) : QPointF(x, z);
}

QPointF CStandInCarriage::pictureMove(QPointF scaleMove, const Machine &m)
{
    // The scales' move as a move of machine X (a radius) and Z.
    double x = m.swapXZ ? scaleMove.y() : scaleMove.x();
    double z = m.swapXZ ? scaleMove.x() : scaleMove.y();
    if (m.x.reverse)
        x = -x;
    if (m.z.reverse)
        z = -z;
    CameraAxes axes;
    axes.swapXZ = m.swapXZ;
    axes.reverseX = m.x.reverse;
    axes.reverseZ = m.z.reverse;
    // The edge the read-out adds moves against the carriage.
    const QPointF rightUp = axes.onPicture(QPointF(-x, -z));
    return QPointF(rightUp.x(), -rightUp.y());
}

QPointF CStandInCarriage::shift() const
{
    QMutexLocker lock(&m_lock);
    return m_shift;
}

void CStandInCarriage::update()
{
    if (!m_device || !m_device->hasAxisPosition())
        return;
    const QPointF position = m_device->axisPosition();
    const Machine now = Machine::current();
    QPointF scales = CStandInCarriage::scales(position, now);
    if (!m_started) {
        m_started = true;
        m_origin = scales;
        m_machine = now;
    } else if (now != m_machine) {
        // The machine changed: until the link hands over a position worked
        // out with the new one, the last position still belongs to the old.
        // The carriage does not jump, so the nearer reading is the true one.
        const QPointF before = CStandInCarriage::scales(position, m_machine);
        if (distance(before, m_scales) < distance(scales, m_scales))
            scales = before;
        else
            m_machine = now;
    }
    m_scales = scales;
    QMutexLocker lock(&m_lock);
    m_shift = pictureMove(scales - m_origin, m_machine) / m_mmPerPixel;
}
