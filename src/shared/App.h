#pragma once

#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

class QSettings;

namespace App {
// The one settings object on "./T8A_M.cfg" (INI, UTF-8). Built on first use,
// relative to the working directory of that moment.
QSettings &kovraSettings();
// Drops the settings object (after syncing it) so the next use opens the file
// of the current working directory again.
void resetKovraSettings();
// Sets the keys and flushes the file. False when the file did not take them:
// each key then holds again what it held before (or nothing), so the next
// write of any other part does not store a change that was refused.
bool writeKovraSettings(const QVector<QPair<QString, QVariant>> &values);
}
