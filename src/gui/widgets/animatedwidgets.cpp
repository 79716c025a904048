#include "widgets/animatedwidgets.h"

#include <QPropertyAnimation>
#include <QWidget>

#include "shared/SharedStruct.h"

namespace {
const QString labelPrintId = QStringLiteral("labelPrint");

bool isGeometryPanel(const QString &id)
{
    return id == QLatin1String("getAngle") || id == QLatin1String("getCircle");
}
} // namespace

AnimatedWidgets::AnimatedWidgets(QObject *parent)
    : QObject(parent)
{
}

AnimatedWidgets::~AnimatedWidgets()
{
    for (sAnimatedWidget &entry : widgets)
        delete entry.animation;
}

void AnimatedWidgets::addWidget(const QString &id, QWidget *widget, QPoint position, QRect shrunk,
                                int group)
{
    sAnimatedWidget entry;
    entry.id = id;
    entry.widget = widget;
    entry.animation = new QPropertyAnimation(widget, "geometry");
    entry.animation->setEasingCurve(QEasingCurve::InOutSine);
    entry.animation->setDuration(500);
    entry.enlarged = QRect(position, widget->size());
    entry.shrunk = shrunk;
    entry.group = group;
    widgets.append(entry);
}

void AnimatedWidgets::enableAnimation(bool enable)
{
    animationOff = !enable;
}

int AnimatedWidgets::findId(const QString &id) const
{
    for (int i = 0; i < widgets.size(); ++i) {
        if (widgets.at(i).id == id)
            return i;
    }
    return -1;
}

int AnimatedWidgets::findWidget(const QWidget *widget) const
{
    if (widget) {
        for (int i = 0; i < widgets.size(); ++i) {
            if (widgets.at(i).widget == widget)
                return i;
        }
    }
    qWarning("AnimatedWidgets::findWidget- widget not found");
    return -1;
}

bool AnimatedWidgets::enlargedNow(const sAnimatedWidget &entry) const
{
    return entry.widget && entry.widget->geometry().size() == entry.enlarged.size();
}

void AnimatedWidgets::animate(sAnimatedWidget &entry, const QRect &from, const QRect &to)
{
    entry.animation->setStartValue(from);
    entry.animation->setEndValue(to);
    entry.animation->start();
}

void AnimatedWidgets::setStatus(const QString &id, bool status)
{
    const int index = findId(id);
    if (index < 0)
        return;
    const int group = widgets.at(index).group;

    if (group == 4)
        enableToolingup = id == labelPrintId ? status : false;

    if (group != 0) {
        for (sAnimatedWidget &other : widgets) {
            if (other.group != group || other.id == id || !other.widget
                || other.widget->geometry() != other.enlarged)
                continue;
            if (animationOff)
                other.widget->setGeometry(other.shrunk);
            else
                animate(other, other.enlarged, other.shrunk);
            if (isGeometryPanel(other.id))
                geometryActive = geometryNone;
            emit statusChanged(other.id, false);
        }
    }

    sAnimatedWidget &entry = widgets[index];
    if (!entry.widget)
        return;
    const QRect from = status ? entry.shrunk : entry.enlarged;
    const QRect to = status ? entry.enlarged : entry.shrunk;
    if (!status && isGeometryPanel(id))
        geometryActive = geometryNone;

    if (entry.widget->geometry() == to)
        return;
    emit statusChanged(id, status);
    if (animationOff)
        entry.widget->setGeometry(to);
    else
        animate(entry, from, to);
}

void AnimatedWidgets::setStatus(QWidget *widget, bool status)
{
    const int index = findWidget(widget);
    if (index >= 0)
        setStatus(widgets.at(index).id, status);
}

void AnimatedWidgets::setParentStatus(QWidget *widget, bool status)
{
    const int index = findWidget(widget ? widget->parentWidget() : nullptr);
    if (index >= 0)
        setStatus(widgets.at(index).id, status);
}

bool AnimatedWidgets::isEnlarged(const QString &id) const
{
    const int index = findId(id);
    if (index < 0) {
        qWarning("AnimatedWidgets::isEnlarged: invalid id");
        return false;
    }
    return enlargedNow(widgets.at(index));
}

bool AnimatedWidgets::isEnlarged(QWidget *widget) const
{
    const int index = findWidget(widget);
    if (index < 0) {
        qWarning("AnimatedWidgets::isEnlarged: invalid widget");
        return false;
    }
    return enlargedNow(widgets.at(index));
}

void AnimatedWidgets::shrinkByGroup(int group)
{
    for (sAnimatedWidget &entry : widgets) {
        if ((group != 0 && entry.group != group) || !enlargedNow(entry))
            continue;
        animate(entry, entry.enlarged, entry.shrunk);
        if (isGeometryPanel(entry.id))
            geometryActive = geometryNone;
    }
}
