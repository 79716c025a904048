#pragma once

#include <QMutex>
#include <QObject>
#include <QPointF>

class CVideoDevice;

// The carriage under the stand-in camera: where it moved since the axis link
// first handed the device a position, as a shift of the picture in frame
// pixels. The device is handed machine coordinates; they are worked back to
// the board's scale readings through the current machine's references, so
// that choosing another machine or setting an incremental zero, which change
// the coordinates but not the carriage, leave the picture where it is. The
// picture moves as the camera's axes place the machine's move (swapped
// axes: machine X along the image's y, Z along its x), backwards, so that
// an edge's read-out stays put while only the carriage moves.
class CStandInCarriage : public QObject
{
    Q_OBJECT
public:
    // `mmPerPixel`: the size of a picture pixel on the tool.
    CStandInCarriage(CVideoDevice *device, double mmPerPixel);

    // Any thread (the capture thread asks once per frame).
    QPointF shift() const;

public slots:
    // Takes the position the device was handed last (GUI thread, after each frame).
    void update();

public:
    // The references an axis coordinate was computed with (those of the
    // machine's X or Z coordinate, after a swap of the axes).
    struct AxisRefs
    {
        qint64 ref = 0; // tenths of a micrometre, as the axis link computes
        int sysRef = 0, incrZero = 0;
        bool reverse = false, incr = false;
        bool operator==(const AxisRefs &o) const
        {
            return ref == o.ref && sysRef == o.sysRef && incrZero == o.incrZero && reverse == o.reverse
                && incr == o.incr;
        }
    };
    struct Machine
    {
        AxisRefs x, z;
        bool isRadius = true;
        bool swapXZ = false;
        bool operator==(const Machine &o) const
        {
            return x == o.x && z == o.z && isRadius == o.isRadius && swapXZ == o.swapXZ;
        }
        bool operator!=(const Machine &o) const { return !(*this == o); }
        static Machine current();
    };
    // The board's X and Z scale readings (mm) behind machine coordinates.
    static QPointF scales(QPointF machineXZ, const Machine &m);
    // The picture's move (mm, right and down) for a move of the board's X and
    // Z scales (mm).
    static QPointF pictureMove(QPointF scaleMove, const Machine &m);

private:
    CVideoDevice *m_device;
    double m_mmPerPixel;
    bool m_started = false;
    QPointF m_origin;
    QPointF m_scales;
    Machine m_machine;
    mutable QMutex m_lock;
    QPointF m_shift;
};
