// A settings file or a tag layout written by hand: the keys set in its text,
// and the INI reader of the layouts on the result.
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

#include "shared/IniText.h"
#include "support/FuzzEnv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEnv::init();
    static QTemporaryDir dir;
    static int n = 0;
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    QByteArray value;
    IniText::iniValue(QStringList{QString::fromUtf8(text.left(16)), QStringLiteral("a, b")}, value);
    QByteArray after = text;
    IniText::withKeys(text, {{QStringLiteral("/Machine/type"), QByteArray("3")},
                             {QStringLiteral("System/GaugeX"), QByteArray()},
                             {QStringLiteral("Note"), value},
                             {QStringLiteral("sensorMeasure/sub/Brightness"), QByteArray("50")}},
                      IniText::Utf8, IniText::AfterLastKey, after);
    // The tag layout's counter: a Latin-1 text, the key under its header.
    QByteArray counted;
    IniText::withKeys(text, {{QStringLiteral("/SETTINGS/WriteCounter"), QByteArray("1")}}, IniText::Latin1,
                      IniText::UnderHeader, counted);
    const QString path = dir.filePath(QStringLiteral("settings%1.cfg").arg(++n));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(after);
    }
    IniText(path, IniText::Utf8).value(QStringLiteral("Machine/type"));
    QFile::remove(path);
    return 0;
}
