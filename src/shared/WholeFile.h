#pragma once

#include <QByteArray>
#include <QString>

// The one way the program replaces a whole file: the new bytes go into a
// temporary file beside it, are checked to be all there and on the disk, and
// only then take the old file's name. A write the disk refuses at any step
// (full, read-only, cut short) leaves the old file byte for byte, or no file
// where there was none, and reports failure.
class WholeFile
{
public:
    // False, with the reason in error when given, when the bytes did not all
    // reach the file; the temporary file is then removed. An existing file
    // that may not be written is not replaced either, and the replacement
    // keeps its permissions.
    static bool replace(const QString &path, const QByteArray &bytes, QString *error = nullptr);

    // Whole content of an existing file; false when it exists but cannot be read.
    static bool read(const QString &path, QByteArray &bytes);
};
