#include "App.h"

#include <QSettings>
#include <QStringList>

#include <memory>

namespace {
std::unique_ptr<QSettings> &holder()
{
    static std::unique_ptr<QSettings> settings;
    return settings;
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

bool App::writeKovraSettings(const QVector<QPair<QString, QVariant>> &values)
{
    QSettings &s = kovraSettings();
    QVector<QPair<QString, QVariant>> before;
    QStringList unset;
    for (const auto &kv : values) {
        if (s.contains(kv.first))
            before.append({kv.first, s.value(kv.first)});
        else
            unset.append(kv.first);
        s.setValue(kv.first, kv.second);
    }
    s.sync();
    {
        // The run-long object keeps the first error of its life (a line the
        // operator mistyped gives one at start-up): a fresh object on the same
        // file judges this write alone. It shares the pending keys, so it
        // writes them again when the flush above failed, and fails the same way.
        const QSettings check(s.fileName(), QSettings::IniFormat);
        if (check.status() != QSettings::AccessError)
            return true;
    }
    for (const auto &kv : qAsConst(before))
        s.setValue(kv.first, kv.second);
    for (const QString &key : qAsConst(unset))
        s.remove(key);
    return false;
}
