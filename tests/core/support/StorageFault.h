#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include <sys/resource.h>
#include <sys/types.h>

// Plays a disk that refuses a write, for the lifetime of the object (one test
// row): a full disk (no file of the process may grow beyond a size; the signal
// such a write raises is ignored, so the write fails as on a full disk), a
// read-only file or a read-only folder. Modes change only inside the
// temporary folder, so a row that crashes leaves nothing changed elsewhere.
// Run as the super user, who writes through any mode, the calling thread
// alone takes the identity of an unprivileged user while the fault holds.
// Everything is put back when the object goes.
class StorageFault
{
public:
    enum Kind { None, FullDisk, ReadOnlyFile, ReadOnlyFolder };

    // file: the file the operation rewrites. FullDisk lets files grow to
    // limit bytes; by default to half the file's size (a write cut short).
    StorageFault(Kind kind, const QString &file, qint64 limit = -1);
    ~StorageFault();
    StorageFault(const StorageFault &) = delete;
    StorageFault &operator=(const StorageFault &) = delete;

    // False when the fault could not be set up: a row would then prove nothing.
    bool holds() const;
    // Puts everything back before the object goes.
    void end();

    static const char *name(Kind kind);
    // Every kind, no fault first.
    static QVector<Kind> kinds();
    // A data-driven test's column "fault" with a row of each kind.
    static void addRows();
    // Hidden files in the file's folder: what a refused write left behind.
    static QStringList leftovers(const QString &file);

private:
    struct Mode
    {
        QString path;
        mode_t mode;
    };
    void setMode(const QString &path, mode_t mode);

    Kind m_kind;
    QString m_file;
    bool m_active = false;
    bool m_limited = false;
    bool m_userChanged = false;
    struct rlimit m_oldLimit {};
    void (*m_oldHandler)(int) = nullptr;
    QVector<Mode> m_modes; // to put back, last first
    QVector<gid_t> m_groups;
    gid_t m_gid = 0;
};
