#include "app/AxisDisplay.h"

namespace AxisDisplay {

QString silentStyle()
{
    return QStringLiteral("QLabel{color:rgb(140,140,140); text-decoration:line-through;}");
}

QString linearStyle(const LinearState &s)
{
    // The angle is compared with exactly 0; NaN counts as rotated.
    const bool unrotated = s.cameraAngle == 0.0f;
    if (!s.referenced)
        return QStringLiteral("QLabel {color: red}");
    if (s.frozen)
        return unrotated ? QStringLiteral("QLabel{color:rgb(255,160,16);}") : QStringLiteral("QLabel{color:white;}");
    if (s.noMachineName)
        return QStringLiteral("QLabel {color: yellow}");
    if (s.incremental)
        return QStringLiteral("QLabel{color:") + QStringLiteral("yellow") + QStringLiteral(";}");
    if (s.autocollimation && unrotated)
        return QStringLiteral("QLabel{color:") + QStringLiteral("rgb(18,255,57)") + QStringLiteral(";}");
    return QStringLiteral("QLabel{color:") + QStringLiteral("white") + QStringLiteral(";}");
}

} // namespace AxisDisplay
