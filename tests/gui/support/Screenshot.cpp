#include "support/Screenshot.h"

#include <QDir>
#include <QWidget>

bool saveScreenshot(const QImage &image, const QString &name)
{
    const QString dir = qEnvironmentVariable("SCREENSHOT_DIR");
    if (dir.isEmpty())
        return true;
    QDir().mkpath(dir);
    return image.save(QDir(dir).filePath(name + QStringLiteral(".png")));
}

bool saveScreenshot(QWidget *widget, const QString &name)
{
    if (qEnvironmentVariableIsEmpty("SCREENSHOT_DIR"))
        return true;
    return saveScreenshot(widget->grab().toImage(), name);
}
