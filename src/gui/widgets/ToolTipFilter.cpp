#include "ToolTipFilter.h"

#include <QEvent>

ToolTipFilter::ToolTipFilter(QObject *parent)
    : QObject(parent)
{
}

bool ToolTipFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip)
        return true;
    return QObject::eventFilter(watched, event);
}
