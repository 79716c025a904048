#include "VideoDevice.h"

#include "camera/VideoIoV4l1.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QMutexLocker>
#include <QSettings>

#include <cmath>

#include <linux/videodev2.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

namespace {
QString textOf(const char *chars, size_t capacity)
{
    return QString::fromLatin1(chars, int(strnlen(chars, capacity)));
}
}

CVideoDevice::CVideoDevice(const QString &device, cDemo *, std::shared_ptr<CVideoIo> videoIo)
    : nodeName(device), io(videoIo ? std::move(videoIo) : std::make_shared<CVideoIoV4l1>())
{
    registerLineParamMetaTypes();
    // The still-frame count lives in the machine-wide record.
    setStillCounter(&MachineSettings.frameCounter);

    sensorSets[0].factor = 1.0f;
    sensorSets[0].hue = 0;
    sensorSets[1].factor = 0.5f;
    sensorSets[1].hue = 65535;

    const int probe = io->open(nodeName, O_RDONLY);
    if (probe < 0) {
        // Another program holds the camera: it exists all the same.
        valid = errno == EBUSY;
        return;
    }
    video_capability cap{};
    if (io->ioctl(probe, VIDIOCGCAP, &cap) == 0) {
        valid = true;
        maxWidth = cap.maxwidth;
        maxHeight = cap.maxheight;
        minWidth = cap.minwidth;
        minHeight = cap.minheight;
        intfName = textOf(cap.name, sizeof(cap.name));
        v4l2_capability v4l2cap{};
        if (io->ioctl(probe, VIDIOC_QUERYCAP, &v4l2cap) == 0)
            busInfo = textOf(reinterpret_cast<const char *>(v4l2cap.bus_info), sizeof(v4l2cap.bus_info));
    }
    io->close(probe);
    // The nominal frame size, where the camera allows it; no buffers exist yet.
    if (valid && maxWidth >= NominalWidth && maxHeight >= NominalHeight) {
        width = NominalWidth;
        height = NominalHeight;
    }
}

CVideoDevice::~CVideoDevice()
{
    if (openCount > 1)
        qWarning("Warning: CVideoDevice \"%s\" was destroyed when it was in use more than once.",
                 qPrintable(nodeName));
    shutDown();
    quit();
    wait(500);
}

void CVideoDevice::shutDown()
{
    // Leave the front light off: the measure settings go out with the last sync.
    if (!isRunning() && sensorMode == 1)
        StartCapture();
    if (sensorMode == 1) {
        QMutexLocker lock(&mutex);
        sensorMode = 0;
        sensorDirty = true;
    }
    StopCapture();
    if (fd >= 0) {
        ResetImagesRGB();
        CleanUp();
        io->close(fd);
        fd = -1;
        emit Closed();
    }
    ResetImagesRGB();
    openCount = 0;
}

void CVideoDevice::setCameraId(int id)
{
    cameraId = id;
    ReadCameraSettings();
}

void CVideoDevice::ReadCameraSettings()
{
    QSettings &s = App::kovraSettings();
    const QString suffix = cameraId == 0 ? QStringLiteral("/") : QStringLiteral("1/");
    const QString cam = QStringLiteral("/camera") + suffix;
    const QString measure = QStringLiteral("/sensorMeasure") + suffix;
    const QString inspection = QStringLiteral("/sensorInspection") + suffix;

    // A factor that is not a finite number ("nan", "inf" in the file) would
    // reach an integer conversion with every position line: none is applied.
    const auto factor = [&s](const QString &key) {
        const float f = s.value(key, 1).toFloat();
        return std::isfinite(f) ? f : 1.0f;
    };
    linearCompensationX = factor(QStringLiteral("/System/linearCompensationX"));
    linearCompensationZ = factor(QStringLiteral("/System/linearCompensationZ"));
    AnalogImage = s.value(cam + "AnalogImage", true).toBool();
    Geometry = s.value(cam + "Geometry", false).toBool();
    // The step walks the contour: 0 would never advance, so it gets the default.
    const int step = s.value(cam + "PointStep", 3).toInt();
    PointStep = step == 0 ? 3 : qBound(1, step, 255);
    MSE = s.value(cam + "MSE", 60).toInt();
    MinLineLenght = s.value(cam + "MinLineLenght", 40).toInt();
    MSEC = s.value(cam + "MSEC", 50).toInt();
    MinCircleLenght = s.value(cam + "MinCircleLenght", 20).toInt();
    XCalibration = s.value(cam + "XCalibration", 0).toFloat();
    ZCalibration = s.value(cam + "ZCalibration", 0).toFloat();
    WhiteLevel = qint16(s.value(cam + "WhiteLevel", 230).toInt());
    BlackLevel = qint16(s.value(cam + "BlackLevel", 25).toInt());

    const QString *groups[2] = {&measure, &inspection};
    for (int i = 0; i < 2; ++i) {
        SensorSet &set = sensorSets[i];
        const QString &g = *groups[i];
        set.Brightness = s.value(g + "Brightness", 10).toInt();
        set.Contrast = s.value(g + "Contrast", 3).toInt();
        set.BiasB = s.value(g + "BiasB", 0).toInt();
        set.BiasR = s.value(g + "BiasR", 0).toInt();
        set.BiasGB = s.value(g + "BiasGB", 0).toInt();
        set.BiasGR = s.value(g + "BiasGR", 0).toInt();
    }
    sensorSets[0].hue = 0;
    sensorSets[0].factor = 1.0f;
    sensorSets[1].hue = 65535;
    sensorSets[1].factor = 0.5f;
}

bool CVideoDevice::buffersHold(int w, int h) const
{
    if (!mapBase || mbuf.size <= 0 || bufferCount < 1 || bufferOffsets.size() != bufferCount)
        return false;
    const qint64 bytes = qint64(w) * qint64(h);
    for (int offset : bufferOffsets) {
        if (offset < 0 || qint64(offset) + bytes > qint64(mbuf.size))
            return false;
    }
    return true;
}

bool CVideoDevice::SetSize(int w, int h)
{
    if (fd < 0 || maxWidth < w || maxHeight < h)
        return false;
    // Every frame is the nominal one; the images wrap the driver's buffers, so
    // each of them must hold a whole frame.
    if (!buffersHold(NominalWidth, NominalHeight)) {
        qWarning("CVideoDevice::SetSize(): the capture buffers do not hold a %d x %d frame.",
                 NominalWidth, NominalHeight);
        return false;
    }
    MSync();
    GetSize();
    width = NominalWidth;
    height = NominalHeight;
    ResetImagesRGB();
    CreateImagesRGB();
    MCapture(currentBuffer);
    SetSensor();
    emit Resized(QSize(width, height));
    return true;
}

bool CVideoDevice::SetSize(const QSize &size)
{
    return SetSize(size.width(), size.height());
}

QSize CVideoDevice::GetSize()
{
    video_window win{};
    if (fd < 0 || io->ioctl(fd, VIDIOCGWIN, &win) < 0) {
        width = 0;
        height = 0;
    } else {
        width = int(win.width);
        height = int(win.height);
    }
    return QSize(width, height);
}

int CVideoDevice::Open(int buffers)
{
    if (openCount++ > 0)
        return 0;
    if (fd >= 0) {
        qWarning("Warning: VideoDevice already opened ?!?!");
        return 0;
    }
    const int opened = io->open(nodeName, O_RDONLY);
    if (opened < 0) {
        const int error = errno;
        // Not open, so not in use either: the next Open tries again.
        --openCount;
        return -error;
    }
    fd = opened;
    bufferCount = buffers;
    Init();
    return 0;
}

int CVideoDevice::Close()
{
    if (openCount == 0)
        return 0;
    if (openCount == 1 && fd >= 0) {
        StopCapture();
        ResetImagesRGB();
        CleanUp();
        io->close(fd);
        fd = -1;
        emit Closed();
    }
    return --openCount;
}

void CVideoDevice::Init()
{
    stopThread();
    QMutexLocker lock(&mutex);
    currentBuffer = 0;
    io->ioctl(fd, VIDIOCGPICT, &picture);
    palette = picture.palette;
    GetSize();

    mbuf = video_mbuf{};
    mapSize = 0;
    bufferOffsets.clear();
    if (io->ioctl(fd, VIDIOCGMBUF, &mbuf) < 0) {
        mbuf = video_mbuf{};
        return;
    }
    mbuf.frames = qBound(0, mbuf.frames, VIDEO_MAX_FRAME);
    mapSize = mbuf.size;
    if (bufferCount < 1) {
        bufferCount = mbuf.frames;
    } else if (bufferCount > mbuf.frames) {
        qWarning("CVideoDevice::Init(): there are more buffers requested than MBUF can provide. Limiting buffers.");
        bufferCount = mbuf.frames;
    }
    if (mbuf.size < 1)
        return;
    void *area = io->mmap(size_t(mbuf.size), PROT_READ, MAP_SHARED, fd, 0);
    if (area == MAP_FAILED || !area) {
        qWarning("CVideoDevice::Init(): mmap() failed (%d). Falling back to non-mmap()ed mode.", errno);
        mbuf.size = 0;
        mapBase = nullptr;
        return;
    }
    mapBase = static_cast<uchar *>(area);
    for (int i = 0; i < bufferCount; ++i)
        bufferOffsets.append(mbuf.offsets[i]);
}

void CVideoDevice::CleanUp()
{
    if (mbuf.size > 0) {
        MSync();
        QMutexLocker lock(&mutex);
        io->munmap(mapBase, size_t(mapSize));
        mbuf.size = 0;
        mapSize = 0;
    } else {
        mapSize = 0;
    }
    QMutexLocker lock(&mutex);
    mapBase = nullptr;
    frame = nullptr;
    bufferOffsets.clear();
}

void CVideoDevice::ResetImagesRGB()
{
    QMutexLocker lock(&mutex);
    images.clear();
}

void CVideoDevice::CreateImagesRGB()
{
    QMutexLocker lock(&mutex);
    images.clear();
    for (int offset : bufferOffsets)
        images.append(QImage(mapBase + offset, width, height, width, QImage::Format_Indexed8));
}

void CVideoDevice::StartCapture()
{
    if (isRunning())
        return;
    {
        QMutexLocker lock(&mutex);
        // Without buffers there is no frame to capture.
        if (images.isEmpty() || images.size() != bufferOffsets.size())
            return;
    }
    MCapture(currentBuffer);
    SetSensor();
    capturing = true;
    {
        QMutexLocker lock(&stopLock);
        stopRequested = false;
    }
    start(QThread::InheritPriority);
}

void CVideoDevice::stopThread()
{
    if (!isRunning())
        return;
    {
        QMutexLocker lock(&stopLock);
        stopRequested = true;
        stopWake.wakeAll();
    }
    wait();
}

void CVideoDevice::StopCapture()
{
    stopThread();
    if (capturing) {
        capturing = false;
        MSync();
    }
}

bool CVideoDevice::pauseOrStop(int ms)
{
    QMutexLocker lock(&stopLock);
    if (!stopRequested && ms > 0)
        stopWake.wait(&stopLock, ulong(ms));
    return stopRequested;
}

int CVideoDevice::MCapture(int buffer)
{
    if (mbuf.size == 0)
        return 0;
    if (buffer < 0 || buffer >= bufferOffsets.size())
        return -EINVAL;
    video_mmap request{};
    request.frame = unsigned(buffer);
    request.width = width;
    request.height = height;
    request.format = unsigned(palette);
    if (io->ioctl(fd, VIDIOCMCAPTURE, &request) < 0) {
        const int error = errno;
        perror("CVideoDevice::MCapture() ioctl errror");
        return -error;
    }
    return 0;
}

int CVideoDevice::MSync()
{
    QMutexLocker lock(&mutex);
    if (mbuf.size == 0)
        return 0;
    int buffer = currentBuffer;
    if (io->ioctl(fd, VIDIOCSYNC, &buffer) < 0)
        return -errno;
    if (sensorDirty) {
        const SensorSet &set = sensorSets[sensorMode ? 1 : 0];
        picture.colour = quint16((set.BiasB << 8) | set.BiasR);
        picture.whiteness = quint16((set.BiasGB << 8) | set.BiasGR);
        picture.brightness = quint16(int(float(set.Brightness) * set.factor));
        picture.contrast = quint16(set.Contrast);
        picture.hue = quint16(set.hue);
        // This sensor takes a brightness of 0 as "unchanged".
        if (intfName.contains(QLatin1String("MT9M001")) && picture.brightness == 0)
            picture.brightness = 1;
        io->ioctl(fd, VIDIOCSPICT, &picture);
        sensorDirty = false;
    }
    return 0;
}

bool CVideoDevice::SetSensor()
{
    QMutexLocker lock(&mutex);
    sensorDirty = true;
    return true;
}

void CVideoDevice::setMeasureMode()
{
    QMutexLocker lock(&mutex);
    sensorMode = 0;
    sensorDirty = true;
}

void CVideoDevice::setInspectionMode()
{
    QMutexLocker lock(&mutex);
    sensorMode = 1;
    sensorSets[0].hue = 0;
    sensorDirty = true;
}

void CVideoDevice::setPotLight(float value)
{
    QMutexLocker lock(&mutex);
    sensorSets[sensorMode ? 1 : 0].factor = value;
    sensorDirty = true;
}

void CVideoDevice::setStreamPalette(const QVector<uint> &table)
{
    QMutexLocker lock(&mutex);
    streamPalette = table;
}

QImage CVideoDevice::GetRGB(int back) const
{
    QMutexLocker lock(&mutex);
    if (bufferCount < 1 || images.size() != bufferCount)
        return QImage();
    const int index = ((currentBuffer - back) % bufferCount + bufferCount) % bufferCount;
    return images.at(index);
}

namespace {
QVector<QRgb> greyColorTable()
{
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    return table;
}
}

QImage CVideoDevice::GetWindowCopy() const
{
    QMutexLocker lock(&mutex);
    return windowCopy;
}

void CVideoDevice::setMeasureLines(bool on)
{
    measureLines = on;
    inPositionMode = !on;
}

bool CVideoDevice::TryPalette(int pal, int depth)
{
    picture.palette = quint16(pal);
    picture.depth = quint16(depth);
    if (io->ioctl(fd, VIDIOCSPICT, &picture) < 0)
        return false;
    if (io->ioctl(fd, VIDIOCGPICT, &picture) < 0)
        return false;
    return picture.palette == pal;
}

bool CVideoDevice::SetPalette()
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    if (TryPalette(VIDEO_PALETTE_GREY, 8))
        palette = VIDEO_PALETTE_GREY;
    else if (TryPalette(VIDEO_PALETTE_RGB32, 32))
        palette = VIDEO_PALETTE_RGB32;
    else if (TryPalette(VIDEO_PALETTE_RGB24, 24))
        palette = VIDEO_PALETTE_RGB24;
    else
        palette = 0;
    return palette != 0;
}

bool CVideoDevice::SetBrightness(int value)
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    picture.brightness = quint16(value);
    sensorDirty = true;
    return true;
}

bool CVideoDevice::SetHue(int value)
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    picture.hue = quint16(value);
    sensorDirty = true;
    return true;
}

bool CVideoDevice::SetColour(int value)
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    picture.colour = quint16(value);
    sensorDirty = true;
    return true;
}

bool CVideoDevice::SetContrast(int)
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    sensorDirty = true;
    return true;
}

bool CVideoDevice::SetWhiteness(int)
{
    if (fd < 0)
        return false;
    QMutexLocker lock(&mutex);
    sensorDirty = true;
    return true;
}

int CVideoDevice::GetHue()
{
    capturing = false;
    MSync();
    {
        QMutexLocker lock(&mutex);
        if (fd >= 0)
            io->ioctl(fd, VIDIOCGPICT, &picture);
    }
    capturing = true;
    return picture.hue;
}

void CVideoDevice::shutDownFrontLight()
{
    QMutexLocker lock(&mutex);
    sensorMode = 0;
    picture.hue = 0;
    if (fd >= 0)
        io->ioctl(fd, VIDIOCSPICT, &picture);
}

int CVideoDevice::windowPixel(int x, int y) const
{
    const int fx = x + WindowLeft;
    const int fy = y + WindowTop;
    if (!frame || fx < 0 || fy < 0 || fx >= frameWidth || fy >= frameHeight)
        return 255;
    return frame[size_t(fy) * size_t(frameWidth) + size_t(fx)];
}

void CVideoDevice::run()
{
    fpsClock.start();
    fpsFrames = 0;
    for (;;) {
        {
            QMutexLocker lock(&stopLock);
            if (stopRequested)
                break;
        }
        MSync();

        int buffer;
        {
            QMutexLocker lock(&mutex);
            if (images.isEmpty() || images.size() != bufferOffsets.size() || !mapBase)
                break;
            buffer = currentBuffer;
        }
        MCapture((buffer + 1) % bufferOffsets.size());

        {
            QMutexLocker lock(&mutex);
            if (images.isEmpty() || images.size() != bufferOffsets.size() || !mapBase)
                break;
            QImage &image = images[buffer];
            if (image.colorTable() != streamPalette) {
                // A fresh image over the same buffer: changing the table of an
                // image that someone else still shares would copy its pixels
                // and leave the buffer.
                appliedColorTable = streamPalette;
                QImage fresh(mapBase + bufferOffsets.at(buffer), image.width(), image.height(),
                             image.bytesPerLine(), QImage::Format_Indexed8);
                fresh.setColorTable(appliedColorTable);
                image = fresh;
            }
            frameWidth = image.width();
            frameHeight = image.height();
            frame = mapBase + bufferOffsets.at(buffer);
        }

        processFrame(frame, frameWidth, frameHeight);

        ++fpsFrames;
        const qint64 elapsed = fpsClock.elapsed();
        if (elapsed > 0)
            fps = float(fpsFrames * 1000.0 / double(elapsed));

        {
            QMutexLocker lock(&mutex);
            // The view shows this frame with its measures: copy it while the
            // buffer is still ours (it is queued again on the next turn).
            if (buffer < images.size()) {
                windowCopy = images.at(buffer).copy(WindowLeft, WindowTop, WindowSize, WindowSize);
                // Before any stream palette is set the frame has no colour
                // table, and drawing such an image reads outside it: show grey.
                if (windowCopy.colorCount() == 0)
                    windowCopy.setColorTable(greyColorTable());
            }
            currentBuffer = (buffer + 1) % bufferOffsets.size();
        }
        emit Notify();

        if (pauseOrStop(intfName == QLatin1String("Camchip MT9M001") ? 30 : 50))
            break;
    }
}

void CVideoDevice::processFrame(const uchar *data, int w, int h)
{
    {
        QMutexLocker lock(&mutex);
        if (axisSet) {
            posX = axisX;
            posZ = axisZ;
            machineAxes = handedAxes;
        }
    }
    CEdgeSearch::processFrame(data, w, h);
}

void CVideoDevice::setAxisPosition(float x, float z, const CameraAxes &axes)
{
    QMutexLocker lock(&mutex);
    axisSet = true;
    axisX = x;
    axisZ = z;
    handedAxes = axes;
}

QPointF CVideoDevice::axisPosition() const
{
    QMutexLocker lock(&mutex);
    return axisSet ? QPointF(axisX, axisZ) : QPointF(posX, posZ);
}

bool CVideoDevice::hasAxisPosition() const
{
    QMutexLocker lock(&mutex);
    return axisSet;
}

void CVideoDevice::foundLines(const QVector<sLineParam> &found)
{
    emit sigFoundLines(found);
}

void CVideoDevice::foundCircle(QPoint centre, int radius)
{
    emit sigFoundCircle(centre, radius);
}

void CVideoDevice::axisInPosition(int axis, bool inPosition)
{
    if (axis == 0)
        emit XAxisInPos(inPosition);
    else
        emit ZAxisInPos(inPosition);
}

// The camera fields the axis readouts combine, read in one go.
AxisCamera::View CVideoDevice::axisView() const
{
    AxisCamera::View v;
    const CVideoDevice &cam = *this;
    v.measureLines = cam.measureLines;
    v.autoAngle = cam.autoAngle;
    v.cameraAngle = cam.cameraAngle;
    v.xCalibration = cam.XCalibration;

    // Everything the camera found comes from one frame.
    const EdgeResult r = cam.result();
    v.frozen = r.frozen;
    const int order[4] = {EXT_MIN_X, EXT_MAX_X, EXT_MIN_Y, EXT_MAX_Y};
    for (int i = 0; i < 4; ++i) {
        const int e = order[i];
        v.liveValid[i] = r.valid[e];
        v.live[i] = r.mm[e];
        v.heldValid[i] = !(r.frozenPoint[e].x == 0 && r.frozenPoint[e].y == 0);
        v.held[i] = r.frozenMm[e];
    }
    v.circleX = r.circle.x;
    v.circleY = r.circle.y;
    v.circleRadius = r.circle.radius;
    v.crossingX = r.intersection.x();
    v.crossingY = r.intersection.y();
    v.crossingOnAxis = r.crossingOnAxis;
    return v;
}

float CVideoDevice::compensationX() const
{
    return linearCompensationX;
}

float CVideoDevice::compensationZ() const
{
    return linearCompensationZ;
}
