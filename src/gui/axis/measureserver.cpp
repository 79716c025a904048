#include "axis/measureserver.h"

#include "axis/cAxisInterface.h"
#include "widgets/animatedwidgets.h"
#include "widgets/QMessageBoxKovra.h"
#include "shared/SharedStruct.h"
#include "widgets/SharedWidgets.h"

#include <QPushButton>

MeasureServer::MeasureServer(cAxisInterface *axis, AnimatedWidgets *panels, QWidget *widget, QObject *parent)
    : QObject(parent), axis(axis), panels(panels)
{
    Q_UNUSED(widget);
}

MeasureServer::~MeasureServer() = default;

bool MeasureServer::getX(QString &value, QPushButton *button)
{
    return getMeasure(X, value, button);
}

bool MeasureServer::getZ(QString &value, QPushButton *button)
{
    return getMeasure(Z, value, button);
}

bool MeasureServer::refusedForSilence(cAxisInterface *axis, QWidget *parent)
{
    if (!axis)
        return false;
    if (axis->confirmAnswering())
        return false;
    QMessageBoxKovra::warning(parent, tr("Axis board"),
                              tr("No answer from the axis board: the values shown are not current"),
                              QMessageBox::Ok, QMessageBox::NoButton, QString());
    return true;
}

bool MeasureServer::getMeasure(eAxisType axisType, QString &value, QPushButton *button)
{
    value.clear();
    if (refusedForSilence(axis))
        return false;

    QStringList warnings;
    if (axisType == X && CurrentMachine.isRadius != CurrentMachine.isRadiusStored)
        warnings << tr("Current radius/diameter mode different from machine setting");
    if (axisType == X && CurrentMachine.xIncr)
        warnings << tr("X axis is in incremental mode");
    if (axisType == Z && CurrentMachine.zIncr)
        warnings << tr("Z axis is in incremental mode");
    if (!warnings.isEmpty()) {
        const QString text = warnings.join('\n') + '\n' + tr("Save anyway?");
        if (QMessageBoxKovra::warning(nullptr, tr("Warning"), text, QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No, QString())
            != QMessageBox::Yes)
            return false;
    }

    // Only an automatic spindle has this panel: without one the registry is not
    // asked, as it would report an invalid id on every measure.
    if (isPanelEnlarged(QStringLiteral("autospindle")))
        return true;

    switch (geometryActive) {
    case geometryAngle:
        return takeGeometry(axisType, value, button, false);
    case geometryCircle:
        return takeGeometry(axisType, value, button, true);
    default:
        if (!settleWhileAnswered(button))
            return false;
        value = liveValue(axisType);
        return true;
    }
}

bool MeasureServer::takeGeometry(eAxisType axisType, QString &value, QPushButton *button, bool circle)
{
    QString found;
    const bool available = circle ? hasCenter(axisType, found) : hasIntersection(axisType, found);
    if (!available)
        return offerLiveValue(axisType, value, button, circle, false);

    QString title;
    QString text;
    if (circle) {
        title = tr("Circle");
        text = (axisType == X ? tr("Insert center X value?") : tr("Insert center Z value?")) + '\n'
               + (axisType == X ? tr("[NO] will insert current X") : tr("[NO] will insert current Z"));
    } else {
        title = tr("Lines intersection");
        text = (axisType == X ? tr("Insert intersection X value?") : tr("Insert intersection Z value?")) + '\n'
               + (axisType == X ? tr("[NO] will insert current X") : tr("[NO] will insert current Z"));
    }
    const QMessageBox::StandardButton answer = QMessageBoxKovra::question(
        nullptr, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort, QMessageBox::Abort, QString());
    if (answer != QMessageBox::Yes && answer != QMessageBox::No)
        return false;

    if (!settleWhileAnswered(button))
        return false;
    if (answer == QMessageBox::No) {
        value = liveValue(axisType);
        return true;
    }
    // Read on the settled image. When the geometry was lost meanwhile there
    // is nothing to store: say so and offer the live value instead.
    const QString settled = circle ? center(axisType) : intersection(axisType);
    if (settled.isEmpty())
        return offerLiveValue(axisType, value, button, circle, true);
    value = settled;
    return true;
}

bool MeasureServer::offerLiveValue(eAxisType axisType, QString &value, QPushButton *button, bool circle,
                                   bool settled)
{
    const QString title = circle ? tr("No circle detected") : tr("No lines detected");
    const QString text = (circle ? tr("Impossible to find center") : tr("Impossible to find intersection")) + '\n'
                         + (axisType == X ? tr("Save current X?") : tr("Save current Z?"));
    if (QMessageBoxKovra::warning(nullptr, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No,
                                  QString())
        != QMessageBox::Yes)
        return false;
    if (!settled && !settleWhileAnswered(button))
        return false;
    value = liveValue(axisType);
    return true;
}

QString MeasureServer::liveValue(eAxisType axisType) const
{
    return axisType == X ? axis->ReadXString() : axis->ReadZString();
}

bool MeasureServer::hasIntersection(eAxisType axisType, QString &text) const
{
    return axisType == X ? axis->hasIntersectionX(text) : axis->hasIntersectionZ(text);
}

QString MeasureServer::intersection(eAxisType axisType) const
{
    return axisType == X ? axis->getIntersectionX() : axis->getIntersectionZ();
}

bool MeasureServer::hasCenter(eAxisType axisType, QString &text) const
{
    return axisType == X ? axis->hasCenterX(text) : axis->hasCenterZ(text);
}

QString MeasureServer::center(eAxisType axisType) const
{
    return axisType == X ? axis->getCircleCenterX() : axis->getCircleCenterZ();
}

bool MeasureServer::isPanelEnlarged(const QString &id) const
{
    return panels && panels->hasPanel(id) && panels->isEnlarged(id);
}

void MeasureServer::settle(QPushButton *button)
{
    freezeMeasureButton(button);
}

bool MeasureServer::settleWhileAnswered(QPushButton *button)
{
    settle(button);
    // The board may have gone silent during the wait.
    return !refusedForSilence(axis);
}
