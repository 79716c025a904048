#pragma once

#include <QString>

class QSettings;

// A key of an INI file (DNC and tag layouts, the CSV import description) as
// text. The INI reader splits an unquoted value at its commas ("[0-9]{1,3}",
// "1,5"); these files mean the value as written, so the parts are joined
// again with the comma alone.
QString iniText(const QSettings &settings, const QString &key, const QString &defaultValue = QString());
