#pragma once

#include <QString>

class QSettings;

// A key of a DNC or tag layout file as text. The INI reader splits an
// unquoted value at its commas ("[0-9]{1,3}", "1,5"); the layouts mean the
// value as written, so the parts are joined again with the comma alone.
QString layoutText(const QSettings &settings, const QString &key, const QString &defaultValue = QString());
