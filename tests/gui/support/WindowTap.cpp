#include "support/WindowTap.h"

#include <QWidget>
#include <QWindow>
#include <QtTest>

void tapThroughWindow(QWidget *widget, QPoint at)
{
    QWidget *top = widget->window();
    const QPoint local = at.x() < 0 ? widget->rect().center() : at;
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier, widget->mapTo(top, local));
}
