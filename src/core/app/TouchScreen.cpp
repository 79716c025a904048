#include "app/TouchScreen.h"

#include <QDir>
#include <QStringList>

bool onlyTouchPointers(const QString &byIdFolder)
{
    QDir dir(byIdFolder);
    const QStringList mice = dir.entryList(QStringList{QStringLiteral("*-mouse")}, QDir::System, QDir::Unsorted);
    for (const QString &name : mice) {
        if (!name.contains(QLatin1String("TouchController")))
            return false;
    }
    return true;
}
