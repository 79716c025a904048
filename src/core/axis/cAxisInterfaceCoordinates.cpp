// Machine coordinates, incremental zeroes and edge-corrected readouts of the
// axis link.
#include "axis/cAxisInterface.h"

#include "camera/CameraAxes.h"
#include "shared/SharedStruct.h"

#include <climits>
#include <cmath>

namespace {

// The reference set an axis computes with; with swapped axes the machine X
// uses the Z set of the record and the machine Z the X set.
struct RefSet
{
    qint64 ref; // tenths of a micrometre
    int sysRef;
    bool reverse;
    bool incr;
    int incrZero;
};

RefSet xSet()
{
    const s_machine &m = CurrentMachine;
    return {m.Xref.tenths, m.sysXref, m.reverseX, m.xIncr, m.xIncrZero};
}

RefSet zSet()
{
    const s_machine &m = CurrentMachine;
    return {m.Zref.tenths, m.sysZref, m.reverseZ, m.zIncr, m.zIncrZero};
}

RefSet setOfMachineX() { return CurrentMachine.swapXZ ? zSet() : xSet(); }
RefSet setOfMachineZ() { return CurrentMachine.swapXZ ? xSet() : zSet(); }

// References, scale counts and incremental zeroes are each an int, but their
// sums need not be (a count near the end of the range with a non-zero
// reference): they are added in 64 bits.
qint64 fromReference(const RefSet &set, int counts)
{
    qint64 d = qint64(counts) - set.sysRef;
    if (set.incr)
        d -= set.incrZero;
    return set.reverse ? set.ref - d : set.ref + d;
}

float toMachine(const RefSet &set, int counts)
{
    return float(RefLength{fromReference(set, counts)}.millimetres());
}

int clampToInt(qint64 v)
{
    return int(qBound<qint64>(INT_MIN, v, INT_MAX));
}

// A count computed in floating point, truncated toward zero and kept inside
// the int range (NaN gives 0): values typed by the operator or found by the
// camera can be anything.
qint64 truncatedCount(double v)
{
    const double t = std::trunc(v);
    if (!(t == t))
        return 0;
    return qint64(qBound(double(INT_MIN), t, double(INT_MAX)));
}

int decimalsOfUnit()
{
    return CurrentMachine.IsMM ? MachineSettings.mmDecimals : MachineSettings.inchDecimals;
}

} // namespace

float cAxisInterface::convX_2_MacCoord(int counts) const
{
    float v = toMachine(setOfMachineX(), counts);
    if (!CurrentMachine.isRadius)
        v *= 2;
    return v;
}

float cAxisInterface::convZ_2_MacCoord(int counts) const
{
    return toMachine(setOfMachineZ(), counts);
}

double cAxisInterface::GetX_DXFref() const
{
    const RefSet s = setOfMachineX();
    return RefLength{s.ref + scaleX - s.sysRef - (s.incr ? s.incrZero : 0)}.millimetres();
}

double cAxisInterface::GetZ_DXFref() const
{
    const RefSet s = setOfMachineZ();
    return RefLength{s.ref + scaleZ - s.sysRef - (s.incr ? s.incrZero : 0)}.millimetres();
}

// ---------------------------------------------------------------------------
// Incremental zeroes

namespace {
// The zero that makes a reference set compute `target` (tenths of a
// micrometre) at the scale reading s.
qint64 zeroFor(const RefSet &set, qint64 s, qint64 target)
{
    return set.reverse ? -set.ref - set.sysRef + s + target : set.ref - set.sysRef + s - target;
}
} // namespace

// The read-out adds the edge to the machine coordinate: the coordinate is
// the value less that edge, both to the nearest tenth of a micrometre.
qint64 cAxisInterface::setValueCoordinate(bool machineX, double v) const
{
    const QPointF edge = readoutEdge();
    const double factor = RefLength::kPerMillimetre * (CurrentMachine.IsMM ? 1.0 : 25.4);
    return truncatedCount(std::round(v * factor)) - RefLength::ofMillimetres(machineX ? edge.x() : edge.y()).tenths;
}

// The X fields of the record: machine X, or machine Z when the axes are swapped.
void cAxisInterface::SetIncrementalX(bool incr, float newVal)
{
    if (incr) {
        const bool swap = CurrentMachine.swapXZ;
        CurrentMachine.xIncrZero = clampToInt(zeroFor(xSet(), swap ? scaleZ : scaleX, setValueCoordinate(!swap, newVal)));
    }
    CurrentMachine.xIncr = incr;
}

// The Z fields of the record: machine Z, or machine X when the axes are swapped.
void cAxisInterface::SetIncrementalZ(bool incr, float newVal)
{
    if (incr) {
        const bool swap = CurrentMachine.swapXZ;
        CurrentMachine.zIncrZero = clampToInt(zeroFor(zSet(), swap ? scaleX : scaleZ, setValueCoordinate(swap, newVal)));
    }
    CurrentMachine.zIncr = incr;
}

void cAxisInterface::SetIncrementalC(bool incr, float newVal)
{
    CurrentMachine.cIncr = incr;
    const int pulses = MachineSettings.pulseRevC;
    const float angle = pulses > 0 ? float(rawC) * 360.0f / float(pulses) : 0.0f;
    CurrentMachine.cIncrOffset = angle - newVal;
}

// ---------------------------------------------------------------------------
// Edge-corrected readouts

cAxisInterface::EdgePair cAxisInterface::edgePair(const CameraView &v, EdgeLead lead)
{
    // Validity and values are the frozen ones while the camera is frozen.
    const bool *valid = v.frozen ? v.heldValid : v.liveValid;
    const float *value = v.frozen ? v.held : v.live;
    const int minX = CameraView::MinX, maxX = CameraView::MaxX;
    const int minY = CameraView::MinY, maxY = CameraView::MaxY;
    auto pick = [&](int first, int second) {
        return valid[first] ? value[first] : valid[second] ? value[second] : 0.0f;
    };

    EdgePair e;
    if (lead == EdgeLead::X) {
        if (valid[minX]) {
            e.x = value[minX];
            e.y = pick(minY, maxY);
        } else if (valid[maxX]) {
            e.x = value[maxX];
            e.y = pick(maxY, minY);
        }
    } else {
        if (valid[minY]) {
            e.y = value[minY];
            e.x = pick(minX, maxX);
        } else if (valid[maxY]) {
            e.y = value[maxY];
            e.x = pick(maxX, minX);
        }
    }
    return e;
}

QPointF cAxisInterface::edgeCorrection(const CameraView &view)
{
    // A rotated camera's edges do not lie along the axes: no correction then.
    if (!view.measureLines || view.cameraAngle != 0.0f)
        return QPointF();
    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    // Each axis takes the edge placed as a picked point would be (y runs downward).
    const EdgePair forX = edgePair(view, EdgeLead::X);
    const EdgePair forZ = edgePair(view, EdgeLead::Y);
    return QPointF(axes.alongAxes(QPointF(forX.x, -forX.y)).x(), axes.alongAxes(QPointF(forZ.x, -forZ.y)).y());
}

QPointF cAxisInterface::readoutEdge() const
{
    return edgeCorrection(cameraView());
}

float cAxisInterface::ReadX() const
{
    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    return float(axes.shownX(axes.radius(X) + readoutEdge().x()));
}

float cAxisInterface::ReadZ() const
{
    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    return float(axes.shownZ(Z + readoutEdge().y()));
}

QString cAxisInterface::ReadXString() const
{
    return MPrn(ReadX(), CurrentMachine.IsMM);
}

QString cAxisInterface::ReadZString() const
{
    return MPrn(ReadZ(), CurrentMachine.IsMM);
}

QString cAxisInterface::ReadCString() const
{
    return APrn(C);
}

// ---------------------------------------------------------------------------
// Geometry found by the camera, in machine coordinates

QString cAxisInterface::geometryText(const CameraView &view, double h, double v, bool forX) const
{
    // The X calibration scales both directions of the picture here.
    const CameraAxes axes = CameraAxes::of(CurrentMachine);
    const QPointF p = axes.position(QPointF(X, Z), QPointF(h, v) * double(view.xCalibration));
    const double value = forX ? axes.shownX(p.x()) : axes.shownZ(p.y());
    return QString::number(value, 'f', decimalsOfUnit());
}

QString cAxisInterface::getCircleCenterX() const
{
    const CameraView v = cameraView();
    if (v.circleX == kNoPoint && v.circleY == kNoPoint)
        return QString();
    return geometryText(v, v.circleX - 320, 320 - v.circleY, true);
}

QString cAxisInterface::getCircleCenterZ() const
{
    const CameraView v = cameraView();
    if (v.circleX == kNoPoint && v.circleY == kNoPoint)
        return QString();
    return geometryText(v, v.circleX - 320, 320 - v.circleY, false);
}

QString cAxisInterface::getIntersectionX() const
{
    const CameraView v = cameraView();
    if (v.crossingX == kNoPoint && v.crossingY == kNoPoint)
        return QString();
    // On the spindle axis X is 0, whatever pixel the crossing rounded to.
    if (v.crossingOnAxis)
        return QString::number(0.0, 'f', decimalsOfUnit());
    return geometryText(v, v.crossingX, v.crossingY, true);
}

QString cAxisInterface::getIntersectionZ() const
{
    const CameraView v = cameraView();
    if (v.crossingX == kNoPoint && v.crossingY == kNoPoint)
        return QString();
    return geometryText(v, v.crossingX, v.crossingY, false);
}

QString cAxisInterface::getCircleRadius() const
{
    const CameraView v = cameraView();
    if (v.circleRadius == 0)
        return QString();
    return QString::number(ZVal(float(v.circleRadius) * v.xCalibration), 'f', decimalsOfUnit());
}

bool cAxisInterface::hasAutoAngle(QString &text) const
{
    if (!cameraView().autoAngle)
        return false;
    text = autoAngleText.mid(2);
    return !text.isEmpty();
}

bool cAxisInterface::hasAutoCircle(QString &text) const
{
    if (geometryActive != 2)
        return false;
    text = getCircleRadius();
    return !text.isEmpty();
}

bool cAxisInterface::hasCenterX(QString &text) const
{
    if (geometryActive != 2)
        return false;
    text = getCircleCenterX();
    return !text.isEmpty();
}

bool cAxisInterface::hasCenterZ(QString &text) const
{
    if (geometryActive != 2)
        return false;
    text = getCircleCenterZ();
    return !text.isEmpty();
}

bool cAxisInterface::hasIntersectionX(QString &text) const
{
    if (geometryActive != 1)
        return false;
    text = getIntersectionX();
    return !text.isEmpty();
}

bool cAxisInterface::hasIntersectionZ(QString &text) const
{
    if (geometryActive != 1)
        return false;
    text = getIntersectionZ();
    return !text.isEmpty();
}

cAxisInterface::CameraView cAxisInterface::cameraView() const
{
    return camera ? camera->axisView() : CameraView();
}
