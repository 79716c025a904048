#include "PngFolderSource.h"

#include <QDir>
#include <QImage>
#include <QMutexLocker>

#include <cstring>

namespace {
// Above this many files every frame is decoded again instead of kept.
constexpr int kCachedFiles = 64;
}

CPngFolderSource::CPngFolderSource(const QString &folder)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.png"), QStringLiteral("*.PNG")},
                                            QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &name : names)
        m_files << dir.filePath(name);
}

void CPngFolderSource::nextFrame(uchar *dst, int width, int height)
{
    if (!dst || width <= 0 || height <= 0)
        return;
    QMutexLocker lock(&m_lock);
    if (m_files.isEmpty()) {
        placeCentred(QImage(), dst, width, height);
        return;
    }
    const int index = m_next;
    m_next = (m_next + 1) % m_files.size();

    if (width != m_cacheWidth || height != m_cacheHeight) {
        m_cache.clear();
        m_cacheWidth = width;
        m_cacheHeight = height;
    }
    const size_t bytes = size_t(width) * size_t(height);
    auto cached = m_cache.constFind(index);
    if (cached != m_cache.constEnd() && size_t(cached->size()) == bytes) {
        std::memcpy(dst, cached->constData(), bytes);
        return;
    }
    // An unreadable file shows as a white frame rather than stopping the stream.
    placeCentred(QImage(m_files.at(index)), dst, width, height);
    if (m_files.size() <= kCachedFiles)
        m_cache.insert(index, QByteArray(reinterpret_cast<const char *>(dst), int(bytes)));
}
