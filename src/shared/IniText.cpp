#include "shared/IniText.h"

#include <QSettings>
#include <QStringList>

QString iniText(const QSettings &settings, const QString &key, const QString &defaultValue)
{
    const QVariant v = settings.value(key, defaultValue);
    if (v.type() == QVariant::StringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}
