#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
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

// A link stays a link: the file it leads to is the one replaced.
QString resolved(const QString &file)
{
    const QFileInfo link(file);
    return !link.isSymLink() ? file : link.exists() ? link.canonicalFilePath() : link.symLinkTarget();
}

const char draftMarker[] = ".~draft-";
const int draftDigits = 12;

// Created with 0666 so that the kernel applies the process's umask, as to a
// file written directly; the caller owns the descriptor.
int openDraft(const QString &file, QByteArray &name, QString *error)
{
    const QFileInfo info(resolved(file));
    const QByteArray stem = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + draftMarker;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        const quint64 random = QRandomGenerator::global()->generate64() & ((quint64(1) << (4 * draftDigits)) - 1);
        name = stem + QByteArray::number(random, 16).rightJustified(draftDigits, '0');
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        fail(error, reason("cannot create a file in the folder", errno));
    return fd;
}

// Takes over the open draft: synced, given the old file's mode and owner,
// renamed over it; removed on any failure.
bool commit(int fd, const QByteArray &draft, const QString &file, QString *error)
{
    const QString path = resolved(file);
    const QByteArray target = QFile::encodeName(path);
    const auto abandon = [&](const QString &text) {
        ::close(fd);
        ::unlink(draft.constData());
        return fail(error, text);
    };
    struct stat old;
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return abandon(QStringLiteral("not a plain file"));
    // Checked for the effective user: the rename below would pass over a
    // file its owner made read-only.
    if (exists && ::euidaccess(target.constData(), W_OK) != 0)
        return abandon(reason("not writable", errno));
    // Kept where the process may give them and the filesystem keeps them (a
    // FAT stick keeps neither): otherwise no failure. The owner first, as a
    // change of owner drops the set-id bits.
    if (exists) {
        (void)(::fchown(fd, old.st_uid, old.st_gid) == 0 || ::fchown(fd, uid_t(-1), old.st_gid) == 0);
        (void)(::fchmod(fd, old.st_mode & 07777) == 0);
    }
    if (::fsync(fd) != 0)
        return abandon(reason("sync", errno));
    if (::close(fd) != 0) {
        ::unlink(draft.constData());
        return fail(error, reason("close", errno));
    }
    if (::rename(draft.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(draft.constData());
        return fail(error, reason("rename", err));
    }
    // The new name on the disk too, so a power cut does not bring back the old file.
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
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

QString WholeFile::createDraft(const QString &path, QString *error)
{
    QByteArray name;
    const int fd = openDraft(path, name, error);
    if (fd < 0)
        return QString();
    ::close(fd);
    return QFile::decodeName(name);
}

bool WholeFile::putInPlace(const QString &draft, const QString &path, QString *error)
{
    const QByteArray name = QFile::encodeName(draft);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        ::unlink(name.constData());
        return fail(error, reason("open", err));
    }
    return commit(fd, name, path, error);
}

bool WholeFile::replace(const QString &file, const QByteArray &bytes, QString *error)
{
    QByteArray draft;
    const int fd = openDraft(file, draft, error);
    if (fd < 0)
        return false;
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(draft.constData());
            return fail(error, reason("write", err));
        }
        done += n;
    }
    return commit(fd, draft, file, error);
}

void WholeFile::removeDrafts(const QString &folder, const QString &earlierDraftsOf)
{
    static const QRegularExpression drafts(QRegularExpression::anchoredPattern(
        QStringLiteral("\\..+%1[0-9a-f]{%2}(?:\\.(?:lock|[A-Za-z0-9]{6}))?")
            .arg(QRegularExpression::escape(QLatin1String(draftMarker)), QString::number(draftDigits))));
    const QRegularExpression earlier(QRegularExpression::anchoredPattern(
        QStringLiteral("\\.%1\\.(?:draft|check)\\.[A-Za-z0-9]{6}").arg(QRegularExpression::escape(earlierDraftsOf))));
    const QFileInfoList hidden = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &f : hidden) {
        const QString name = f.fileName();
        if (drafts.match(name).hasMatch() || (!earlierDraftsOf.isEmpty() && earlier.match(name).hasMatch()))
            QFile::remove(f.filePath());
    }
}
