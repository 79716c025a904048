#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString reason(const char *what, int err)
{
    return QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
}

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}
}

bool WholeFile::read(const QString &path, QByteArray &bytes)
{
    bytes.clear();
    if (!QFileInfo::exists(path))
        return true;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    bytes = in.readAll();
    return in.error() == QFileDevice::NoError;
}

bool WholeFile::replace(const QString &file, const QByteArray &bytes, QString *error)
{
    // A link stays a link: the file it leads to is the one replaced.
    const QFileInfo link(file);
    const QString path = !link.isSymLink() ? file : link.exists() ? link.canonicalFilePath() : link.symLinkTarget();
    const QByteArray target = QFile::encodeName(path);
    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return fail(error, QStringLiteral("not a plain file"));
    // Checked for the effective user: the rename below would pass over a
    // file its owner made read-only.
    if (exists && ::euidaccess(target.constData(), W_OK) != 0)
        return fail(error, reason("not writable", errno));

    const QFileInfo info(path);
    QByteArray temp = QFile::encodeName(info.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + info.fileName())
                      + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return fail(error, reason("cannot create a file in the folder", errno));

    const auto abandon = [&](const QString &text) {
        ::close(fd);
        ::unlink(temp.constData());
        return fail(error, text);
    };
    mode_t mode = old.st_mode & 07777;
    if (!exists) {
        // A new file gets what the process would give it when created directly.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        return abandon(reason("permissions", errno));

    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return abandon(reason("write", n < 0 ? errno : ENOSPC));
        done += n;
    }
    struct stat written;
    if (::fsync(fd) != 0)
        return abandon(reason("sync", errno));
    if (::fstat(fd, &written) != 0 || written.st_size != bytes.size())
        return abandon(QStringLiteral("the file did not take every byte"));
    if (::close(fd) != 0) {
        ::unlink(temp.constData());
        return fail(error, reason("close", errno));
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        return fail(error, reason("rename", err));
    }
    // The new name on the disk too, so a power cut does not bring back the old file.
    const int dir = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
