#include "support/AnimationClock.h"

#include <QVariantAnimation>
#include <QtTest>

bool animationsTurned(int ms)
{
    QVariantAnimation probe;
    probe.setStartValue(0);
    probe.setEndValue(1);
    probe.setDuration(60000);
    probe.start();
    return QTest::qWaitFor([&] { return probe.currentTime() >= ms; }, 10000);
}
