#pragma once

class QSettings;

namespace App {
// The one settings object on "./T8A_M.cfg" (INI, UTF-8). Built on first use,
// relative to the working directory of that moment.
QSettings &kovraSettings();
// Drops the settings object (after syncing it) so the next use opens the file
// of the current working directory again.
void resetKovraSettings();
}
