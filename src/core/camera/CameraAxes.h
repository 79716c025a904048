#pragma once

#include <QPointF>

struct s_machine;

// How the camera's picture lies on the machine's axes: which way machine X
// and Z run across it (swapped axes, reversed scales), whether X reads as a
// radius or a diameter, and the unit it is shown in. Everything placed from
// the picture goes through it: picked corners, found circles and crossings,
// the edge-corrected read-outs and the spindle axis the line search adds.
// Picture moves are in mm from the picture's centre, to the right and up.
struct CameraAxes
{
    bool isRadius = true;
    bool swapXZ = false;
    // Reverse flags of the reference sets machine X and Z are computed with
    // (with swapped axes, machine X takes the Z set and Z the X set).
    bool reverseX = false;
    bool reverseZ = false;
    bool isMM = true;

    static CameraAxes of(const s_machine &machine);

    // A move on the picture as a move along machine X (a radius) and Z, and back.
    QPointF alongAxes(QPointF onPicture) const;
    QPointF onPicture(QPointF alongAxes) const;

    // A machine X as the read-out holds it (mm, a diameter in diameter mode) as a radius.
    double radius(double x) const;
    // Machine X (a radius) and Z, mm, of a point on the picture, with the axes
    // at the position the read-out holds (X a diameter in diameter mode).
    QPointF position(QPointF axes, QPointF onPicture) const;
    // Where on the picture a machine position (X a radius, Z; mm) lies.
    QPointF onPictureOf(QPointF axes, QPointF position) const;

    // X (a radius, mm) as the read-out shows it: doubled in diameter mode, in the unit.
    double shownX(double radiusMm) const;
    // Z, or a length, in the unit: never doubled.
    double shownZ(double mm) const;
};
