#include "App.h"

#include "WholeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

namespace {
std::unique_ptr<QSettings> &holder()
{
    static std::unique_ptr<QSettings> settings;
    return settings;
}

bool sameValue(const QVariant &a, const QVariant &b)
{
    return a == b || (a.userType() != b.userType() && a.toString() == b.toString() && !a.toString().isEmpty());
}

// A name beside the settings file that no other file holds. Each one is new,
// so the toolkit's cache of settings files never answers for it.
QString freshName(const QString &file, const char *role)
{
    const QFileInfo info(file);
    QTemporaryFile t(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
                     + QLatin1String(role) + QStringLiteral(".XXXXXX"));
    t.setAutoRemove(false);
    if (!t.open())
        return QString();
    return t.fileName();
}

// The settings file's text with the keys set (an invalid value removes its
// key), written by the toolkit's own INI writer into a draft beside the file
// and read back by a reader of its own: a draft the disk cut short reads
// otherwise and is refused.
bool compose(const QSettings &current, const QVector<QPair<QString, QVariant>> &values, QByteArray &text)
{
    const QString file = current.fileName();
    QByteArray before;
    if (!WholeFile::read(file, before))
        return false;
    const QString draft = freshName(file, "draft");
    if (draft.isEmpty())
        return false;
    const QString check = freshName(file, "check");
    const auto done = [&](bool ok) {
        QFile::remove(draft);
        if (!check.isEmpty())
            QFile::remove(check);
        return ok;
    };
    if (check.isEmpty() || !WholeFile::replace(draft, before))
        return done(false);

    QMap<QString, QVariant> expected;
    {
        QSettings w(draft, QSettings::IniFormat);
        w.setIniCodec("UTF-8");
        for (const auto &kv : values) {
            if (kv.second.isValid())
                w.setValue(kv.first, kv.second);
            else
                w.remove(kv.first);
        }
        w.sync();
        // A line the reader could not make sense of is no failure of this write.
        if (w.status() == QSettings::AccessError)
            return done(false);
        // What the writer meant to put into the draft.
        for (const QString &key : w.allKeys())
            expected.insert(key, w.value(key));
    }
    if (std::rename(QFile::encodeName(draft).constData(), QFile::encodeName(check).constData()) != 0)
        return done(false);
    {
        QSettings r(check, QSettings::IniFormat);
        r.setIniCodec("UTF-8");
        if (r.status() == QSettings::AccessError || r.allKeys().size() != expected.size())
            return done(false);
        for (auto e = expected.cbegin(); e != expected.cend(); ++e)
            if (!r.contains(e.key()) || !sameValue(e.value(), r.value(e.key())))
                return done(false);
        for (const auto &kv : values)
            if (kv.second.isValid() && !sameValue(kv.second, r.value(kv.first)))
                return done(false);
    }
    QFile in(check);
    if (!in.open(QIODevice::ReadOnly))
        return done(false);
    text = in.readAll();
    return done(in.error() == QFileDevice::NoError);
}
}

QSettings &App::kovraSettings()
{
    auto &s = holder();
    if (!s) {
        s = std::make_unique<QSettings>(QStringLiteral("./T8A_M.cfg"), QSettings::IniFormat);
        s->setIniCodec("UTF-8");
    }
    return *s;
}

void App::resetKovraSettings()
{
    auto &s = holder();
    if (s)
        s->sync();
    s.reset();
}

bool App::replaceKovraSettingsFile(const QByteArray &text)
{
    QSettings &s = kovraSettings();
    // What the file holds now is what stays when the write is refused.
    s.sync();
    const QString file = s.fileName();
    const QFileInfo before(file);
    const bool existed = before.exists();
    const qint64 oldSize = before.size();
    const QDateTime oldTime = before.lastModified();
    if (!WholeFile::replace(file, text))
        return false;
    // The settings object reads the file again only when its size or time
    // changed: a new text of the same size in the same millisecond would
    // otherwise go unseen.
    const QFileInfo after(file);
    if (existed && after.size() == oldSize && after.lastModified() <= oldTime) {
        const qint64 ms = oldTime.toMSecsSinceEpoch() + 1;
        const struct timespec times[2] = {{ms / 1000, (ms % 1000) * 1000000}, {ms / 1000, (ms % 1000) * 1000000}};
        ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0);
    }
    s.sync();
    return true;
}

bool App::writeKovraSettings(const QVector<QPair<QString, QVariant>> &values)
{
    QSettings &s = kovraSettings();
    s.sync();
    bool unchanged = true;
    for (const auto &kv : values)
        unchanged = unchanged && (kv.second.isValid() ? s.contains(kv.first) && sameValue(kv.second, s.value(kv.first))
                                                      : !s.contains(kv.first));
    if (unchanged)
        return true;
    QByteArray text;
    return compose(s, values, text) && replaceKovraSettingsFile(text);
}
