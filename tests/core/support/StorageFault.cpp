#include "support/StorageFault.h"

#include <QTest>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
const uid_t kNobody = 65534;

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// The system calls themselves, not the C library's: these change the calling
// thread's identity alone, where the library's change every thread's.
void threadBecomesNobody()
{
    ::syscall(SYS_setgroups, size_t(0), nullptr);
    ::syscall(SYS_setresgid, -1, kNobody, -1);
    ::syscall(SYS_setresuid, -1, kNobody, -1);
}
}

StorageFault::StorageFault(Kind kind, const QString &file, qint64 limit)
    : m_kind(kind)
    , m_file(QFileInfo(file).absoluteFilePath())
{
    if (kind == None)
        return;
    m_active = true;
    if (kind == FullDisk) {
        if (limit < 0)
            limit = QFileInfo(m_file).size() / 2;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
        struct rlimit l = m_oldLimit;
        l.rlim_cur = rlim_t(limit);
        m_limited = ::setrlimit(RLIMIT_FSIZE, &l) == 0;
        return;
    }
    const QString temp = QFileInfo(QDir::tempPath()).canonicalFilePath() + QLatin1Char('/');
    const QString folder = QFileInfo(QFileInfo(m_file).absolutePath()).canonicalFilePath();
    if (temp.size() < 2 || !folder.startsWith(temp)) {
        qWarning("StorageFault: %s is not inside %s", qPrintable(m_file), qPrintable(temp));
        return;
    }
    const bool root = ::geteuid() == 0;
    if (root) {
        // The unprivileged user must reach the folder and read the file.
        for (QString dir = folder; dir.startsWith(temp); dir = QFileInfo(dir).absolutePath())
            if ((modeOf(dir) & 0005) != 0005)
                setMode(dir, modeOf(dir) | 0005);
        if (QFileInfo::exists(m_file))
            setMode(m_file, modeOf(m_file) | 0004);
    }
    if (kind == ReadOnlyFolder) {
        setMode(folder, 0555);
        // Only the folder: the file itself could be written in place.
        if (QFileInfo::exists(m_file))
            setMode(m_file, 0666);
    } else {
        setMode(folder, 0777);
        setMode(m_file, 0444);
    }
    if (root) {
        // Of no group either: the files' group is the super user's.
        m_groups.resize(::getgroups(0, nullptr));
        m_groups.resize(::getgroups(m_groups.size(), m_groups.data()));
        m_gid = ::getegid();
        m_userChanged = true;
        threadBecomesNobody();
    }
}

StorageFault::~StorageFault()
{
    end();
}

void StorageFault::setMode(const QString &path, mode_t mode)
{
    m_modes.append({path, modeOf(path)});
    ::chmod(QFile::encodeName(path).constData(), mode);
}

bool StorageFault::holds() const
{
    switch (m_kind) {
    case None:
        return true;
    case FullDisk:
        return m_limited;
    case ReadOnlyFile: {
        if (m_modes.isEmpty() || !QFileInfo::exists(m_file))
            return false;
        const int fd = ::open(QFile::encodeName(m_file).constData(), O_WRONLY);
        if (fd < 0)
            return true;
        ::close(fd);
        return false;
    }
    case ReadOnlyFolder: {
        if (m_modes.isEmpty())
            return false;
        const QByteArray probe = QFile::encodeName(QFileInfo(m_file).absolutePath() + QStringLiteral("/.probe"));
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }
    }
    return false;
}

void StorageFault::end()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_limited) {
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    if (m_userChanged) {
        // The library's calls, which reach every thread: one started while
        // the fault held took its identity.
        ::seteuid(0);
        ::setgroups(size_t(m_groups.size()), m_groups.data());
        ::setegid(m_gid);
    }
    for (int i = m_modes.size() - 1; i >= 0; --i)
        ::chmod(QFile::encodeName(m_modes.at(i).path).constData(), m_modes.at(i).mode);
    m_modes.clear();
}

QVector<StorageFault::Kind> StorageFault::kinds()
{
    return {None, FullDisk, ReadOnlyFile, ReadOnlyFolder};
}

void StorageFault::addRows()
{
    QTest::addColumn<int>("fault");
    for (const Kind kind : kinds())
        QTest::newRow(name(kind)) << int(kind);
}

const char *StorageFault::name(Kind kind)
{
    switch (kind) {
    case None:
        return "none";
    case FullDisk:
        return "full disk";
    case ReadOnlyFile:
        return "read-only file";
    case ReadOnlyFolder:
        return "read-only folder";
    }
    return "";
}

QStringList StorageFault::leftovers(const QString &file)
{
    QStringList hidden;
    const QDir folder = QFileInfo(file).absoluteDir();
    for (const QString &name : folder.entryList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (name.startsWith(QLatin1Char('.')))
            hidden << name;
    return hidden;
}
