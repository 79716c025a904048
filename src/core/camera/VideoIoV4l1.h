#pragma once

#include "camera/VideoIo.h"

// Driver calls through libv4l1, which offers the Video4Linux 1 requests over
// any current camera driver. VIDIOC_QUERYCAP goes to the driver directly.
class CVideoIoV4l1 : public CVideoIo
{
public:
    int open(const QString &node, int flags) override;
    int close(int fd) override;
    int ioctl(int fd, unsigned long request, void *arg) override;
    void *mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset) override;
    int munmap(void *start, std::size_t length) override;
};
