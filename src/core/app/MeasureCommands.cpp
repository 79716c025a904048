#include "app/MeasureCommands.h"

#include <climits>
#include <cmath>

#include "camera/GeometryFunctions.h"
#include "shared/SharedStruct.h"

namespace MeasureCommands {

namespace {
const double kPi = 3.141592654;
}

int toMicrometres(double value, bool isMM)
{
    // A tag's float field can hold lengths no int holds: they keep the
    // nearest bound.
    const double um = std::round((isMM ? value : value * 25.4) * 1000.0);
    if (std::isnan(um))
        return 0;
    return um >= double(INT_MAX) ? INT_MAX : um <= double(INT_MIN) ? INT_MIN : int(um);
}

int referenceMicrometres(qint64 tenths)
{
    // Integer division truncates toward zero.
    return int(tenths / 10);
}

QString referenceTenthsKey(const QString &gaugeKey)
{
    return gaugeKey + QStringLiteral("Tenths");
}

qint64 referenceTenths(const QVariant &micrometres, const QVariant &tenths)
{
    bool ok = false;
    const double um = micrometres.toString().toDouble(&ok);
    const qint64 whole = ok && std::isfinite(um) && std::fabs(um) < 1e12 ? std::llround(um * 10.0) : 0;
    const qint64 t = tenths.toString().toLongLong(&ok);
    return ok && referenceMicrometres(t) == referenceMicrometres(whole) ? t : whole;
}

double storedX(double shown, bool radiusShown, bool radiusStored)
{
    if (radiusShown && !radiusStored)
        return shown + shown;
    if (!radiusShown && radiusStored)
        return shown * 0.5;
    return shown;
}

void setReference(s_machine &machine, bool x, qint64 tenths)
{
    (x ? machine.Xref : machine.Zref).tenths = tenths;
}

int snapAngleSlider(int value)
{
    const int rest = value % 10;
    if (rest == 9)
        return value + 1;
    if (rest == 1)
        return value - 1;
    return value;
}

QString angleReticleText(int sliderValue)
{
    return QString::asprintf("%.2f", snapAngleSlider(sliderValue) / 100.0);
}

QString circleReticleText(int sliderValue, bool isMM)
{
    if (isMM)
        return QString::asprintf("%.2f", sliderValue / 100.0);
    return QString::asprintf("%.5f", sliderValue / 25.4 / 100.0);
}

double circleReticleMm(const QString &text, bool isMM)
{
    return text.toDouble() * (isMM ? 1.0 : 25.4);
}

int circleSliderValue(double mm)
{
    return int(mm * 100.0);
}

QString foundLinesAngle(const QVector<sLineParam> &lines, bool alternative, bool rotated)
{
    float angle = 0;
    if (lines.size() == 1) {
        const float m = lines[0].m;
        if (isColumnSlope(m))
            angle = 90;
        else if (std::fabs(m) <= 0.002f)
            angle = 0;
        else
            angle = float(std::atan(double(m)) * -180.0 / kPi);
        if (alternative)
            // The same edge seen from its other end, kept within -180 .. 180.
            angle = angle <= 0 ? angle + 180 : angle - 180;
        return APrn(angle);
    }
    if (lines.size() == 2) {
        float m1 = lines[0].m;
        const float m2 = lines[1].m;
        if (m1 * m2 == -1.0f) {
            angle = 90;
        } else {
            if (isColumnSlope(m1))
                m1 = 999999;
            if (!isColumnSlope(m2))
                angle = float(std::fabs(std::atan(double((m2 - m1) / (m1 * m2 + 1)))) * 180.0 / kPi);
            else
                angle = float(std::atan(double(m1)) * -180.0 / kPi);
        }
        if (rotated)
            angle = angle < 0 ? angle + 90 : angle - 90;
        return APrn(alternative ? 180 - angle : angle);
    }
    return QString();
}

bool twoPointAngle(const QList<QPointF> &points, float &angle)
{
    if (points.size() < 2 || points[0] == points[1])
        return false;
    angle = line_2p(points);
    return std::isfinite(angle);
}

bool fivePointRadius(const QList<QPointF> &points, float &radius)
{
    if (points.size() < 5)
        return false;
    radius = circle_5p(points);
    return std::isfinite(radius) && radius != 0.0f;
}

QString vacuumPicture(int state)
{
    switch (state) {
    case 0:
        return QStringLiteral(":/img/SpindleRotation.png");
    case 1:
        return QStringLiteral(":/img/SpindleNo.png");
    case 2:
        return QStringLiteral(":/img/SpindleOk.png");
    default:
        return QString();
    }
}

} // namespace MeasureCommands
