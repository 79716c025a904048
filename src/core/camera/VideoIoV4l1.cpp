#include "VideoIoV4l1.h"

#include <QFile>

#include <libv4l1.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>

int CVideoIoV4l1::open(const QString &node, int flags)
{
    return v4l1_open(QFile::encodeName(node).constData(), flags);
}

int CVideoIoV4l1::close(int fd)
{
    return v4l1_close(fd);
}

int CVideoIoV4l1::ioctl(int fd, unsigned long request, void *arg)
{
    if (request == VIDIOC_QUERYCAP)
        return ::ioctl(fd, request, arg);
    return v4l1_ioctl(fd, request, arg);
}

void *CVideoIoV4l1::mmap(std::size_t length, int prot, int flags, int fd, std::int64_t offset)
{
    return v4l1_mmap(nullptr, length, prot, flags, fd, offset);
}

int CVideoIoV4l1::munmap(void *start, std::size_t length)
{
    return v4l1_munmap(start, length);
}
