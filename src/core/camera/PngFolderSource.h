#pragma once

#include "camera/FrameSource.h"

#include <QHash>
#include <QMutex>
#include <QByteArray>
#include <QPointF>
#include <QStringList>

#include <functional>

// Frames from the PNG files of a folder, in name order, starting again after
// the last one. A folder without readable pictures gives white frames.
class CPngFolderSource : public CFrameSource
{
public:
    // Where the pictures stand, in frame pixels right and down of their
    // centred place; asked once per frame.
    using Shift = std::function<QPointF()>;

    explicit CPngFolderSource(const QString &folder);

    void nextFrame(uchar *dst, int width, int height) override;

    QStringList files() const { return m_files; }
    // The pictures move as `shift` says (none: they stay centred).
    void setShift(Shift shift);

private:
    QStringList m_files;
    int m_next = 0;
    Shift m_shift;
    // Frames already decoded and placed, for small folders (the usual case),
    // and the same frames moved to where they stood last.
    QHash<int, QByteArray> m_cache;
    QHash<int, QByteArray> m_shifted;
    QPointF m_shiftedBy;
    int m_cacheWidth = 0;
    int m_cacheHeight = 0;
    QByteArray m_scratch;
    QMutex m_lock;
};
