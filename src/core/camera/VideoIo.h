#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The driver calls of a video device, with the calling conventions of the
// system calls they stand for: -1 (or MAP_FAILED for mmap) and errno on failure.
// The real implementation talks to a camera; another one answers in memory so
// the program runs and is tested without a camera.
class CVideoIo
{
public:
    virtual ~CVideoIo();

    virtual int open(const QString &node, int flags) = 0;
    virtual int close(int fd) = 0;
    // Video4Linux 1 requests (VIDIOCGCAP ... VIDIOCSYNC) and VIDIOC_QUERYCAP.
    virtual int ioctl(int fd, unsigned long request, void *arg) = 0;
    virtual void *mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) = 0;
    virtual int munmap(void *start, std::size_t length) = 0;
};
