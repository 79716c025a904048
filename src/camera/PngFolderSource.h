#pragma once

#include "camera/FrameSource.h"

#include <QHash>
#include <QMutex>
#include <QByteArray>
#include <QStringList>

// Frames from the PNG files of a folder, in name order, starting again after
// the last one. A folder without readable pictures gives white frames.
class CPngFolderSource : public CFrameSource
{
public:
    explicit CPngFolderSource(const QString &folder);

    void nextFrame(uchar *dst, int width, int height) override;

    QStringList files() const { return m_files; }

private:
    QStringList m_files;
    int m_next = 0;
    // Frames already decoded and placed, for small folders (the usual case).
    QHash<int, QByteArray> m_cache;
    int m_cacheWidth = 0;
    int m_cacheHeight = 0;
    QMutex m_lock;
};
