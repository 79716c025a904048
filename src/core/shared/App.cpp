#include "App.h"

#include "IniText.h"
#include "WholeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

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

// The toolkit keeps each settings file it has read in a cache of its own,
// keyed by path, and a settings object that has nothing to write reads the
// disk again only when the file's size or time differ from what it saw: a
// text of the same size written within one tick of the clock would go
// unseen. Moves the file's time past the one seen.
void outdateSettingsCache(const QString &file, qint64 seenSize, const QDateTime &seenTime)
{
    const QFileInfo now(file);
    if (now.size() != seenSize || now.lastModified() > seenTime)
        return;
    const qint64 ms = seenTime.toMSecsSinceEpoch() + 1;
    const struct timespec t = {ms / 1000, (ms % 1000) * 1000000};
    const struct timespec times[2] = {t, t};
    ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0);
}

// Writes the text into a fresh draft beside the settings file. The draft's
// name, or empty (no draft left).
QString writeDraft(const QString &file, const QByteArray &text)
{
    const QString draft = WholeFile::createDraft(file);
    QFile out(draft);
    if (draft.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush()) {
        QFile::remove(draft);
        return QString();
    }
    return draft;
}

// The draft as the toolkit's reader reads it: each key must read as
// expected, no other key may be there. The draft's name, or empty (the
// draft removed).
QString draftReadsAs(const QString &draft, const QMap<QString, QVariant> &expected)
{
    QSettings r(draft, QSettings::IniFormat);
    r.setIniCodec("UTF-8");
    bool same = r.status() != QSettings::AccessError && r.allKeys().size() == expected.size();
    for (auto e = expected.cbegin(); same && e != expected.cend(); ++e)
        same = r.contains(e.key()) && sameValue(e.value(), r.value(e.key()));
    if (!same) {
        QFile::remove(draft);
        return QString();
    }
    return draft;
}

// Writes the text into a draft beside the settings file and reads the draft
// back twice by the toolkit's reader: a text that is no settings file, or a
// draft the disk cut short (it reads otherwise), is refused. The draft's
// name, or empty (no draft left).
QString writeSettingsDraft(const QString &file, const QByteArray &text)
{
    const QString draft = writeDraft(file, text);
    if (draft.isEmpty())
        return QString();
    QMap<QString, QVariant> expected;
    {
        QSettings w(draft, QSettings::IniFormat);
        w.setIniCodec("UTF-8");
        w.sync();
        // The status before the keys are read: a fault of the sections, not
        // a line the reader passes over.
        if (w.status() != QSettings::NoError || w.allKeys().isEmpty()) {
            QFile::remove(draft);
            return QString();
        }
        for (const QString &key : w.allKeys())
            expected.insert(key, w.value(key));
    }
    const QFileInfo written(draft);
    outdateSettingsCache(draft, written.size(), written.lastModified());
    return draftReadsAs(draft, expected);
}

// Writes the text into a draft beside the settings file and reads it back by
// the toolkit's reader: each key must read as expected, no other key may be
// there. The draft's name, or empty (no draft left).
QString writeCheckedDraft(const QString &file, const QByteArray &text, const QMap<QString, QVariant> &expected)
{
    const QString draft = writeDraft(file, text);
    return draft.isEmpty() ? QString() : draftReadsAs(draft, expected);
}

// The draft takes the settings file's place and the settings object reads it.
bool putSettingsDraftInPlace(const QString &draft)
{
    if (draft.isEmpty())
        return false;
    QSettings &s = App::kovraSettings();
    // What the file holds now is what stays when the write is refused.
    s.sync();
    const QFileInfo before(s.fileName());
    const qint64 size = before.exists() ? before.size() : -1;
    const QDateTime time = before.lastModified();
    if (!WholeFile::putInPlace(draft, s.fileName()))
        return false;
    outdateSettingsCache(s.fileName(), size, time);
    s.sync();
    return true;
}
}

QSettings &App::kovraSettings()
{
    auto &s = holder();
    if (!s) {
        s = std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
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
    return putSettingsDraftInPlace(writeSettingsDraft(kovraSettings().fileName(), text));
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
    // Set in the file's text: comments, order, spacing and bytes written by
    // hand stay as they are.
    QByteArray before;
    if (!WholeFile::read(s.fileName(), before))
        return false;
    QVector<QPair<QString, QByteArray>> texts;
    QMap<QString, QVariant> expected;
    for (const QString &key : s.allKeys())
        expected.insert(key, s.value(key));
    for (const auto &kv : values) {
        QByteArray text;
        if (kv.second.isValid() && !IniText::iniValue(kv.second, text))
            return false;
        texts.append({kv.first, text});
        const QString key = kv.first.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
        if (kv.second.isValid())
            expected.insert(key, kv.second);
        else
            expected.remove(key);
    }
    QByteArray after;
    if (!IniText::withKeys(before, texts, IniText::Utf8, IniText::AfterLastKey, after))
        return false;
    return putSettingsDraftInPlace(writeCheckedDraft(s.fileName(), after, expected));
}

QString App::settingsFile()
{
    return QStringLiteral("./T8A_M.cfg");
}

QStringList App::settingsFolders()
{
    // A settings write drafts beside the file a link leads to.
    QStringList folders{QFileInfo(settingsFile()).path()};
    const QFileInfo link(settingsFile());
    if (link.isSymLink())
        folders << QFileInfo(link.exists() ? link.canonicalFilePath() : link.symLinkTarget()).absolutePath();
    return folders;
}
