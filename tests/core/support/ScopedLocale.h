#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <clocale>

// Sets one category of the C library's locale (LC_NUMERIC, LC_MESSAGES ...)
// for the lifetime of the object and puts the previous setting back.
// Wire formats are checked under "C" and under the comma-decimal locale that
// scripts/install-deps.sh generates.
class ScopedLocale
{
public:
    static constexpr const char *kCommaDecimal = "it_IT.UTF-8";

    ScopedLocale(int category, const char *name);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

    // False when the locale is not installed (the previous one stays).
    bool ok() const { return m_ok; }

private:
    int m_category;
    QByteArray m_previous;
    bool m_ok = false;
};

// For the `_data` functions: the locales every wire-format row runs under.
inline QList<QByteArray> wireLocales()
{
    return {QByteArray("C"), QByteArray(ScopedLocale::kCommaDecimal)};
}

// Skips the row with a message when the locale it names is missing.
#define USE_NUMERIC_LOCALE(name)                                                                                 \
    ScopedLocale numericLocale_(LC_NUMERIC, (name).constData());                                                 \
    if (!numericLocale_.ok())                                                                                    \
        QSKIP(qPrintable(QStringLiteral("locale %1 is not installed (scripts/install-deps.sh generates it)")   \
                             .arg(QString::fromLatin1(name))));
