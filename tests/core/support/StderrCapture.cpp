#include "support/StderrCapture.h"

#include <cstdio>
#include <unistd.h>

StderrCapture::StderrCapture()
{
    if (!m_file.open())
        return;
    std::fflush(stderr);
    m_saved = ::dup(2);
    ::dup2(m_file.handle(), 2);
}

StderrCapture::~StderrCapture()
{
    restore();
}

QByteArray StderrCapture::text()
{
    restore();
    m_file.seek(0);
    return m_file.readAll();
}

void StderrCapture::restore()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, 2);
    ::close(m_saved);
    m_saved = -1;
}
