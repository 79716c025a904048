#pragma once

#include <QList>
#include <QPoint>
#include <QPointF>
#include <QVector>

#include "camera/LineParam.h"

// Plane geometry for the found edges and the manual measures.

// Both coordinates of a point, centre or crossing that is none (a circle's
// radius is 0 with it), throughout the camera code and the screens.
constexpr int kNoPoint = -999999;

// Where two lines cross, in their pixels rounded to whole ones (halves away
// from zero); (kNoPoint, kNoPoint) when their slopes differ by less than
// parallelBelow, both are columns, or the crossing lies beyond any picture.
QPoint lineCrossing(const sLineParam &a, const sLineParam &b, double parallelBelow);

// Intersection of exactly two lines, in pixels from the view centre (320, 320),
// x to the right and y upward; (kNoPoint, kNoPoint) when there is none.
QPoint CalculateIntersection(QVector<sLineParam> lines);

// Radius of the least-squares circle through at least five points, or 0 when
// the fit is rejected (too few points, degenerate set, poor fit, huge radius).
float circle_5p(QList<QPointF> points);

// Direction in degrees, in (-180, 180], of the line from the first to the
// second point with the x axis reversed; 0 with fewer than two points.
float line_2p(QList<QPointF> points);
