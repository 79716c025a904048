#pragma once

#include <QImage>
#include <QString>

class QWidget;

// Writes the picture as <name>.png into the folder named by $SCREENSHOT_DIR
// (made as needed). Nothing is written when it is not set; false only when
// writing failed.
bool saveScreenshot(const QImage &image, const QString &name);
bool saveScreenshot(QWidget *widget, const QString &name);
