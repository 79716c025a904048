#include "App.h"

#include <QSettings>

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
