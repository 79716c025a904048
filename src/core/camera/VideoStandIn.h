#pragma once

#include "camera/VideoIo.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSet>
#include <QVector>

#include <libv4l1-videodev.h>

#include <memory>
#include <vector>

class CFrameSource;

// A camera answered in memory: the Video4Linux 1 requests the video device
// uses, capture buffers filled from a frame source, and driver faults that can
// be switched on to exercise the device's failure handling. Every picture
// setting it is sent is recorded.
class CVideoStandIn : public CVideoIo
{
public:
    enum Fault {
        NoFault = 0,
        Busy = 0x01,            // open fails with EBUSY
        OpenFails = 0x02,       // open fails with ENODEV
        CapabilityFails = 0x04, // VIDIOCGCAP fails
        QueryCapFails = 0x08,   // VIDIOC_QUERYCAP fails (no bus name)
        MbufFails = 0x10,       // VIDIOCGMBUF fails
        MmapFails = 0x20,       // mmap fails
        CaptureFails = 0x40,    // VIDIOCMCAPTURE fails with EIO
        SyncFails = 0x80,       // VIDIOCSYNC fails with EIO
    };
    Q_DECLARE_FLAGS(Faults, Fault)

    struct Config {
        QString node;                 // the one node it answers to; empty: any
        QByteArray cardName = "T8A camera stand-in";
        QByteArray busInfo = "memory";
        int maxWidth = 1280, maxHeight = 1024;
        int minWidth = 32, minHeight = 32;
        int windowWidth = 1280, windowHeight = 1024;
        int buffers = 2;              // frames offered by VIDIOCGMBUF (1..32)
        int bufferBytes = 1280 * 1024; // bytes of each buffer
        int frameIntervalMs = 40;     // at least this long between two frames
        Faults faults = NoFault;
    };

    explicit CVideoStandIn(std::shared_ptr<CFrameSource> source);
    CVideoStandIn(std::shared_ptr<CFrameSource> source, const Config &config);
    ~CVideoStandIn() override;

    int open(const QString &node, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void *arg) override;
    void *mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) override;
    int munmap(void *start, std::size_t length) override;

    void setFaults(Faults faults);
    Faults faults() const;
    void setFrameInterval(int ms);

    // What the device did, for tests and diagnostics.
    QVector<video_picture> sentPictures() const;
    video_picture picture() const;
    int openDescriptors() const;
    bool isMapped() const;
    int framesDelivered() const;
    int capturesQueued() const;

private:
    struct Queued {
        bool pending = false;
        int width = 0, height = 0;
    };
    int answer(int fd, unsigned long request, void *arg);

    std::shared_ptr<CFrameSource> m_source;
    Config m_config;
    mutable QMutex m_lock;
    std::vector<uchar> m_memory;
    QVector<Queued> m_queued;
    QSet<int> m_fds;
    int m_nextFd = 100;
    void *m_mapped = nullptr;
    video_picture m_picture{};
    QVector<video_picture> m_sent;
    QElapsedTimer m_clock;
    qint64 m_lastFrameMs = -1;
    int m_delivered = 0;
    int m_captures = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CVideoStandIn::Faults)
