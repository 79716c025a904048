#include "support/ScopedLocale.h"

#include <clocale>

ScopedLocale::ScopedLocale(int category, const char *name)
    : m_category(category)
{
    if (const char *current = std::setlocale(category, nullptr))
        m_previous = current;
    m_ok = std::setlocale(category, name) != nullptr;
}

ScopedLocale::~ScopedLocale()
{
    if (m_ok && !m_previous.isEmpty())
        std::setlocale(m_category, m_previous.constData());
}
