#include "camera/GeometryFunctions.h"

#include <cmath>

namespace {
const QPoint kNoPoint(-999999, -999999);

// Nearest integer, halves away from zero.
int roundAway(double v)
{
    return int(std::lround(v));
}
}

QPoint CalculateIntersection(QVector<sLineParam> lines)
{
    if (lines.size() != 2)
        return kNoPoint;
    const float m1 = lines[0].m, q1 = lines[0].q;
    const float m2 = lines[1].m, q2 = lines[1].q;
    if (std::fabs(m1 - m2) < 0.01f)
        return kNoPoint;
    int x, y;
    if (std::fabs(m1) >= 500.0f) {
        x = roundAway(q1);
        y = roundAway(q1 * m2 + q2);
    } else if (std::fabs(m2) >= 500.0f) {
        x = roundAway(q2);
        y = roundAway(float(x) * m1 + q1);
    } else {
        const float x0 = (q1 - q2) / (m2 - m1);
        x = roundAway(x0);
        y = roundAway(x0 * m1 + q1);
    }
    return QPoint(x - 320, 320 - y);
}

float circle_5p(QList<QPointF> points)
{
    const int n = points.size();
    if (n < 5)
        return 0.0f;
    long double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, sxxx = 0, syyy = 0, sxxy = 0, sxyy = 0;
    for (const QPointF &p : points) {
        const long double x = p.x(), y = p.y();
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
        sxxx += x * x * x;
        syyy += y * y * y;
        sxxy += x * x * y;
        sxyy += x * y * y;
    }
    const long double cxx = sxx - sx * sx / n;
    const long double cyy = syy - sy * sy / n;
    const long double cxy = sxy - sx * sy / n;
    const long double rx = sxxx + sxyy - sx * (sxx + syy) / n;
    const long double ry = syyy + sxxy - sy * (sxx + syy) / n;

    // Repeated points, points on one column or on one line leave no circle:
    // the divisors vanish (up to rounding of the sums).
    const long double spread = cxx + cyy;
    if (!(spread > 0) || cxx <= spread * 1e-12L)
        return 0.0f;
    const long double den = cyy - cxy * cxy / cxx;
    if (den <= spread * 1e-12L)
        return 0.0f;

    const long double b = (ry - (cxy / cxx) * rx) / (2 * den);
    const long double a = (rx - 2 * cxy * b) / (2 * cxx);
    const float r2 = float((sxx + syy - 2 * a * sx - 2 * b * sy) / n + a * a + b * b);
    if (!std::isfinite(r2) || r2 < 0)
        return 0.0f;
    const float r = std::sqrt(r2);

    long double e = 0;
    for (const QPointF &p : points) {
        const long double dx = p.x() - a, dy = p.y() - b;
        const long double d = r - std::sqrt(dx * dx + dy * dy);
        e += d * d;
    }
    e /= n;
    if (!std::isfinite(double(e)) || e > 0.5L || r > 9999.0f)
        return 0.0f;
    return r;
}

float line_2p(QList<QPointF> points)
{
    if (points.size() < 2)
        return 0.0f;
    const double x0 = points[0].x(), y0 = points[0].y();
    const double x1 = points[1].x(), y1 = points[1].y();
    if (x0 == x1)
        return y0 <= y1 ? 90.0f : -90.0f;
    float angle = float(std::atan((y0 - y1) / (x1 - x0)) * 180.0 / 3.141592654);
    if (x0 < x1) {
        angle += 180.0f;
        if (angle > 180.0f)
            angle -= 360.0f;
    }
    return angle;
}
