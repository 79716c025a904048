#include "PngFolderSource.h"

#include <QDir>
#include <QImage>
#include <QMutexLocker>

#include <cmath>
#include <cstring>

namespace {
// Above this many files every frame is decoded again instead of kept.
constexpr int kCachedFiles = 64;
// A shift is taken in sixteenths of a pixel: finer than the edge search
// resolves, and a slowly drifting axis does not redraw every frame.
QPointF rounded(QPointF shift)
{
    return QPointF(std::round(shift.x() * 16) / 16, std::round(shift.y() * 16) / 16);
}
}

CPngFolderSource::CPngFolderSource(const QString &folder)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.png"), QStringLiteral("*.PNG")},
                                            QDir::Files | QDir::Readable, QDir::Name);
    for (const QString &name : names)
        m_files << dir.filePath(name);
}

void CPngFolderSource::setShift(Shift shift)
{
    QMutexLocker lock(&m_lock);
    m_shift = std::move(shift);
    m_shifted.clear();
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
        m_shifted.clear();
        m_cacheWidth = width;
        m_cacheHeight = height;
    }
    const QPointF shift = m_shift ? rounded(m_shift()) : QPointF();
    if (shift != m_shiftedBy) {
        m_shifted.clear();
        m_shiftedBy = shift;
    }
    const size_t bytes = size_t(width) * size_t(height);
    const bool keep = m_files.size() <= kCachedFiles;
    const auto fromCache = [&](const QHash<int, QByteArray> &cache) {
        auto cached = cache.constFind(index);
        if (cached == cache.constEnd() || size_t(cached->size()) != bytes)
            return false;
        std::memcpy(dst, cached->constData(), bytes);
        return true;
    };
    const bool moved = !shift.isNull();
    if (moved ? fromCache(m_shifted) : fromCache(m_cache))
        return;

    // The picture in its centred place: into the frame itself when it stays
    // there, else into a scratch frame that is then moved.
    const uchar *centred = nullptr;
    auto cached = m_cache.constFind(index);
    if (cached != m_cache.constEnd() && size_t(cached->size()) == bytes) {
        centred = reinterpret_cast<const uchar *>(cached->constData());
    } else {
        if (moved)
            m_scratch.resize(int(bytes));
        uchar *placed = moved ? reinterpret_cast<uchar *>(m_scratch.data()) : dst;
        // An unreadable file shows as a white frame rather than stopping the stream.
        placeCentred(QImage(m_files.at(index)), placed, width, height);
        if (keep)
            m_cache.insert(index, QByteArray(reinterpret_cast<const char *>(placed), int(bytes)));
        centred = placed;
    }
    if (!moved)
        return;
    shiftFrame(centred, dst, width, height, shift);
    if (keep)
        m_shifted.insert(index, QByteArray(reinterpret_cast<const char *>(dst), int(bytes)));
}
