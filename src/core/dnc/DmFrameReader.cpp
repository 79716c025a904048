#include "dnc/DmFrameReader.h"

namespace {
const char kStx = '\x02';
const char kEtx = '\x03';
}

bool DmFrameReader::append(const QByteArray &bytes, QString &code)
{
    m_bytes += bytes;
    const int first = m_bytes.indexOf(kStx);
    const int e = first < 0 ? -1 : m_bytes.indexOf(kEtx, first + 1);
    if (e < 0) {
        // A frame cut short is over once the next STX comes.
        const int last = m_bytes.lastIndexOf(kStx);
        if (last > 0)
            m_bytes.remove(0, last);
        if (m_bytes.size() > kMaxBuffer)
            m_bytes.clear();
        return false;
    }
    const int s = m_bytes.lastIndexOf(kStx, e);
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
    return kStx + code + kEtx;
}
