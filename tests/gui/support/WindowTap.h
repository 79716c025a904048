#pragma once

#include <QPoint>

class QWidget;

// A touch on a widget as the touch screen delivers it: a left-button press and
// release handed to the widget's window through the window system, so that a
// window blocked by a modal dialog does not get it. at is in the widget's
// coordinates; by default its centre.
void tapThroughWindow(QWidget *widget, QPoint at = QPoint(-1, -1));
