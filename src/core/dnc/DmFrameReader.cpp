#include "dnc/DmFrameReader.h"

bool DmFrameReader::append(const QByteArray &bytes, QString &code)
{
    m_bytes += bytes;
    const int s = m_bytes.indexOf('\x02');
    const int e = s < 0 ? -1 : m_bytes.indexOf('\x03', s + 1);
    if (e < 0) {
        if (m_bytes.size() > kMaxBuffer)
            m_bytes.clear();
        return false;
    }
    QByteArray raw = m_bytes.mid(s + 1, e - s - 1);
    const int nul = raw.indexOf('\0');
    if (nul >= 0)
        raw.truncate(nul);
    code = QString::fromLatin1(raw);
    m_bytes.clear();
    return true;
}

QByteArray DmFrameReader::frame(const QByteArray &code)
{
    return '\x02' + code + '\x03';
}
