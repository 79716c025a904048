#include "VideoStandIn.h"

#include "camera/FrameSource.h"

#include <QImage>
#include <QMutexLocker>
#include <QThread>

#include <linux/videodev2.h>
#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {
int fail(int error)
{
    errno = error;
    return -1;
}
}

CVideoStandIn::CVideoStandIn(std::shared_ptr<CFrameSource> source)
    : CVideoStandIn(std::move(source), Config())
{
}

CVideoStandIn::CVideoStandIn(std::shared_ptr<CFrameSource> source, const Config &config)
    : m_source(std::move(source)), m_config(config)
{
    m_config.buffers = std::clamp(m_config.buffers, 1, VIDEO_MAX_FRAME);
    m_config.bufferBytes = std::max(0, m_config.bufferBytes);
    m_memory.assign(size_t(m_config.buffers) * size_t(m_config.bufferBytes), 255);
    m_queued.resize(m_config.buffers);
    m_picture.brightness = 32768;
    m_picture.contrast = 32768;
    m_picture.depth = 8;
    m_picture.palette = VIDEO_PALETTE_GREY;
    m_clock.start();
}

CVideoStandIn::~CVideoStandIn() = default;

int CVideoStandIn::open(const QString &node, int)
{
    QMutexLocker lock(&m_lock);
    if (!m_config.node.isEmpty() && node != m_config.node)
        return fail(ENOENT);
    if (m_config.faults & Busy)
        return fail(EBUSY);
    if (m_config.faults & OpenFails)
        return fail(ENODEV);
    const int fd = m_nextFd++;
    m_fds.insert(fd);
    return fd;
}

int CVideoStandIn::close(int fd)
{
    QMutexLocker lock(&m_lock);
    if (!m_fds.remove(fd))
        return fail(EBADF);
    return 0;
}

int CVideoStandIn::ioctl(int fd, unsigned long request, void *arg)
{
    if (request != VIDIOCSYNC) {
        QMutexLocker lock(&m_lock);
        return answer(fd, request, arg);
    }

    // A sync waits for the frame as a camera would, without holding the lock.
    int frame = -1;
    {
        QMutexLocker lock(&m_lock);
        if (!m_fds.contains(fd))
            return fail(EBADF);
        if (!arg)
            return fail(EFAULT);
        frame = *static_cast<int *>(arg);
        if (frame < 0 || frame >= m_queued.size() || !m_queued.at(frame).pending)
            return fail(EINVAL);
        if (m_config.faults & SyncFails)
            return fail(EIO);
    }
    for (;;) {
        qint64 wait = 0;
        {
            QMutexLocker lock(&m_lock);
            if (m_lastFrameMs >= 0)
                wait = m_lastFrameMs + m_config.frameIntervalMs - m_clock.elapsed();
        }
        if (wait <= 0)
            break;
        QThread::msleep(ulong(wait));
    }

    int w = 0, h = 0;
    uchar *dst = nullptr;
    {
        QMutexLocker lock(&m_lock);
        const Queued &q = m_queued.at(frame);
        if (!q.pending)
            return fail(EINVAL);
        w = q.width;
        h = q.height;
        dst = m_memory.data() + size_t(frame) * size_t(m_config.bufferBytes);
    }
    // The source may take its time (decoding a picture): the lock stays free.
    if (m_source)
        m_source->nextFrame(dst, w, h);
    else
        CFrameSource::placeCentred(QImage(), dst, w, h);

    QMutexLocker lock(&m_lock);
    m_queued[frame].pending = false;
    m_lastFrameMs = m_clock.elapsed();
    ++m_delivered;
    return 0;
}

int CVideoStandIn::answer(int fd, unsigned long request, void *arg)
{
    if (!m_fds.contains(fd))
        return fail(EBADF);
    if (!arg)
        return fail(EFAULT);

    switch (request) {
    case VIDIOCGCAP: {
        if (m_config.faults & CapabilityFails)
            return fail(EINVAL);
        auto *cap = static_cast<video_capability *>(arg);
        std::memset(cap, 0, sizeof(*cap));
        std::strncpy(cap->name, m_config.cardName.constData(), sizeof(cap->name) - 1);
        cap->type = VID_TYPE_CAPTURE;
        cap->channels = 1;
        cap->maxwidth = m_config.maxWidth;
        cap->maxheight = m_config.maxHeight;
        cap->minwidth = m_config.minWidth;
        cap->minheight = m_config.minHeight;
        return 0;
    }
    case VIDIOC_QUERYCAP: {
        if (m_config.faults & QueryCapFails)
            return fail(EINVAL);
        auto *cap = static_cast<v4l2_capability *>(arg);
        std::memset(cap, 0, sizeof(*cap));
        std::strncpy(reinterpret_cast<char *>(cap->card), m_config.cardName.constData(), sizeof(cap->card) - 1);
        std::strncpy(reinterpret_cast<char *>(cap->bus_info), m_config.busInfo.constData(), sizeof(cap->bus_info) - 1);
        cap->capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        return 0;
    }
    case VIDIOCGPICT:
        *static_cast<video_picture *>(arg) = m_picture;
        return 0;
    case VIDIOCSPICT: {
        const video_picture sent = *static_cast<video_picture *>(arg);
        m_sent.append(sent);
        // Only grey is offered: another palette is ignored, as drivers do.
        const quint16 palette = m_picture.palette;
        const quint16 depth = m_picture.depth;
        m_picture = sent;
        if (sent.palette != VIDEO_PALETTE_GREY) {
            m_picture.palette = palette;
            m_picture.depth = depth;
        }
        return 0;
    }
    case VIDIOCGWIN: {
        auto *win = static_cast<video_window *>(arg);
        std::memset(win, 0, sizeof(*win));
        win->width = uint32_t(m_config.windowWidth);
        win->height = uint32_t(m_config.windowHeight);
        return 0;
    }
    case VIDIOCGMBUF: {
        if (m_config.faults & MbufFails)
            return fail(EINVAL);
        auto *mbuf = static_cast<video_mbuf *>(arg);
        std::memset(mbuf, 0, sizeof(*mbuf));
        mbuf->size = int(m_memory.size());
        mbuf->frames = m_config.buffers;
        for (int i = 0; i < m_config.buffers; ++i)
            mbuf->offsets[i] = i * m_config.bufferBytes;
        return 0;
    }
    case VIDIOCMCAPTURE: {
        const auto *mm = static_cast<video_mmap *>(arg);
        if (m_config.faults & CaptureFails)
            return fail(EIO);
        if (mm->frame >= unsigned(m_queued.size()) || mm->format != m_picture.palette
            || mm->width < 1 || mm->height < 1
            || mm->width > m_config.windowWidth || mm->height > m_config.windowHeight
            || qint64(mm->width) * mm->height > m_config.bufferBytes)
            return fail(EINVAL);
        Queued &q = m_queued[int(mm->frame)];
        q.pending = true;
        q.width = mm->width;
        q.height = mm->height;
        ++m_captures;
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

void *CVideoStandIn::mmap(std::size_t length, int, int, int fd, std::int64_t offset)
{
    QMutexLocker lock(&m_lock);
    if (!m_fds.contains(fd)) {
        errno = EBADF;
        return MAP_FAILED;
    }
    if ((m_config.faults & MmapFails) || offset != 0 || length == 0 || length > m_memory.size()) {
        errno = (m_config.faults & MmapFails) ? ENOMEM : EINVAL;
        return MAP_FAILED;
    }
    m_mapped = m_memory.data();
    return m_mapped;
}

int CVideoStandIn::munmap(void *start, std::size_t)
{
    QMutexLocker lock(&m_lock);
    if (!m_mapped || start != m_mapped)
        return fail(EINVAL);
    m_mapped = nullptr;
    return 0;
}

void CVideoStandIn::setFaults(Faults faults)
{
    QMutexLocker lock(&m_lock);
    m_config.faults = faults;
}

CVideoStandIn::Faults CVideoStandIn::faults() const
{
    QMutexLocker lock(&m_lock);
    return m_config.faults;
}

void CVideoStandIn::setFrameInterval(int ms)
{
    QMutexLocker lock(&m_lock);
    m_config.frameIntervalMs = std::max(0, ms);
}

QVector<video_picture> CVideoStandIn::sentPictures() const
{
    QMutexLocker lock(&m_lock);
    return m_sent;
}

video_picture CVideoStandIn::picture() const
{
    QMutexLocker lock(&m_lock);
    return m_picture;
}

int CVideoStandIn::openDescriptors() const
{
    QMutexLocker lock(&m_lock);
    return m_fds.size();
}

bool CVideoStandIn::isMapped() const
{
    QMutexLocker lock(&m_lock);
    return m_mapped != nullptr;
}

int CVideoStandIn::framesDelivered() const
{
    QMutexLocker lock(&m_lock);
    return m_delivered;
}

int CVideoStandIn::capturesQueued() const
{
    QMutexLocker lock(&m_lock);
    return m_captures;
}
