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

    // For a caller that writes the draft itself: an empty draft beside path
    // (beside a link's target), named as removeDrafts() describes; empty when
    // none could be made.
    static QString createDraft(const QString &path, QString *error = nullptr);
    // Puts a complete draft in place of path as replace() does; false leaves
    // path as it was and removes the draft.
    static bool putInPlace(const QString &draft, const QString &path, QString *error = nullptr);

    // Removes from the folder what killed writes left, and only that: the
    // drafts this writer makes of any file (".<file name>.~draft-" and twelve
    // lowercase hexadecimal digits, the part no operator picks) and the
    // toolkit's own files of such a draft when the toolkit writes it (its
    // lock and its temporary of six letters or digits). Earlier versions
    // drafted only the settings file, with a role word (".<file>.draft." or
    // ".check." and six letters or digits): those of earlierDraftsOf go too.
    static void removeDrafts(const QString &folder, const QString &earlierDraftsOf = QString());

    // Whole content of an existing file; false when it exists but cannot be read.
    static bool read(const QString &path, QByteArray &bytes);
};
