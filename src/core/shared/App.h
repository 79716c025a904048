#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class QSettings;

namespace App {
// The one settings object on the settings file (INI, UTF-8). Built on first
// use, relative to the working directory of that moment.
QSettings &kovraSettings();
// Drops the settings object (after syncing it) so the next use opens the file
// of the current working directory again.
void resetKovraSettings();
// Sets the keys (an invalid value removes its key) by replacing the whole
// file. False when the file did not take them: the file and the settings
// object then hold what they held before. The program changes the file only
// through these two, never through the settings object's own save.
bool writeKovraSettings(const QVector<QPair<QString, QVariant>> &values);
// Replaces the settings file by the text, and the settings object reads it.
// False, and the file left as it was, when the text is no settings file
// (the toolkit's reader finds its sections faulty, a header left open say,
// or no key in it) or the file did not take it.
bool replaceKovraSettingsFile(const QByteArray &text);
// "./T8A_M.cfg", relative to the working directory.
QString settingsFile();
// Where settings writes put their drafts: the settings file's folder and,
// when the file is a link, the folder of the file it leads to.
QStringList settingsFolders();
}
