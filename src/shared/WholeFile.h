#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one way the program replaces a whole file: the new bytes go into a
// hidden draft beside it, are checked to be all there and on the disk, and
// only then take the old file's name. A write the disk refuses at any step
// (full, read-only, cut short) leaves the old file byte for byte, or no file
// where there was none, and reports failure.
//
// Not QSaveFile: its commit passes over a failed sync of the file, never
// syncs the folder (a power cut may bring the old name back) and gives the
// replacement the writer's owner.
class WholeFile
{
public:
    // False, with the reason in error when given, when the bytes did not all
    // reach the file; the draft is then removed. An existing file that may
    // not be written is not replaced either. The replacement keeps the old
    // file's mode, owner and group where the filesystem and the process allow;
    // a new file gets the mode the process's umask gives.
    static bool replace(const QString &path, const QByteArray &bytes, QString *error = nullptr);

    // For a caller that writes the draft itself: an empty draft beside path,
    // named ".<file name>.XXXXXX"; empty when none could be made.
    static QString createDraft(const QString &path, QString *error = nullptr);
    // Puts a complete draft in place of path as replace() does; false leaves
    // path as it was and removes the draft.
    static bool putInPlace(const QString &draft, const QString &path, QString *error = nullptr);

    // Removes the plain hidden files of the folder whose names match one of
    // the patterns ("*" any text, "XXXXXX" six letters or digits): what a
    // killed write left.
    static void removeLeftovers(const QString &folder, const QStringList &patterns);

    // Whole content of an existing file; false when it exists but cannot be read.
    static bool read(const QString &path, QByteArray &bytes);
};
