#pragma once

#include <QtGlobal>

#include <cmath>

// The micrometres nearest to a length in tenths of a micrometre (halves away
// from zero, as references were rounded before their tenths were kept).
inline int nearestMicrometres(qint64 tenths)
{
    return int(tenths >= 0 ? (tenths + 5) / 10 : -((-tenths + 5) / 10));
}

// A machine's reference or smart offset, X as a radius: one quantity in
// tenths of a micrometre, so that what was typed or placed stays whole. The
// micrometre columns of table machine, which older programs read, hold its
// nearest micrometres. The scales count in the same unit.
struct RefLength
{
    qint64 tenths = 0;

    // Tenths of a micrometre in a millimetre.
    static constexpr double kPerMillimetre = 10000.0;

    static RefLength ofMicrometres(qint64 micrometres) { return {micrometres * 10}; }
    // The nearest tenth (halves away from zero); 0 for what is not a number
    // or lies beyond any scale.
    static RefLength ofMillimetres(double millimetres)
    {
        const double t = tenthsOf(millimetres);
        return {std::isfinite(t) && std::fabs(t) < 1e15 ? qint64(std::llround(t)) : 0};
    }
    // A count of tenths, whole or not, in millimetres, and back.
    static double millimetresOf(double tenths) { return tenths / kPerMillimetre; }
    static double tenthsOf(double millimetres) { return millimetres * kPerMillimetre; }

    int micrometres() const { return nearestMicrometres(tenths); }
    double millimetres() const { return millimetresOf(double(tenths)); }
    bool operator==(const RefLength &o) const { return tenths == o.tenths; }
    bool operator!=(const RefLength &o) const { return tenths != o.tenths; }
};
