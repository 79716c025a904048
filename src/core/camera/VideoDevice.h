#pragma once

#include "axis/AxisCamera.h"
#include "camera/EdgeSearch.h"
#include "camera/LineParam.h"

#include <QElapsedTimer>
#include <QImage>
#include <QList>
#include <QMutex>
#include <QPoint>
#include <QPointF>
#include <QSize>
#include <QString>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

#include <libv4l1-videodev.h>

#include <memory>

class CVideoIo;
class cDemo;

// One camera: probes its node, opens it, maps the driver's capture buffers,
// applies the sensor settings and, in its own thread, captures frame after
// frame and measures on them.
//
// Measuring works on the central 640 x 640 window of the 1280 x 1024 frame:
// window pixel (x, y) is frame pixel (x + 320, y + 192). The measuring state
// and results (contours, extreme points, lines, circle, freeze) are those of
// the edge search it is made of.
class CVideoDevice : public QThread, public CEdgeSearch, public AxisCamera
{
    Q_OBJECT

public:
    // Picture values of one sensor mode (0 measure, 1 inspection).
    struct SensorSet {
        int Brightness = 0;
        float factor = 1.0f;
        int Contrast = 0;
        int hue = 0; // front light
        int BiasB = 0;
        int BiasR = 0;
        int BiasGB = 0;
        int BiasGR = 0;
    };
    using Roi = RoiRect;

    // The frame every device delivers, and where the measuring window lies in it.
    static constexpr int NominalWidth = 1280;
    static constexpr int NominalHeight = 1024;
    static constexpr int WindowLeft = 320;
    static constexpr int WindowTop = 192;
    static constexpr int WindowSize = 640;

    // `io` null: the camera driver through libv4l1.
    CVideoDevice(const QString &device, cDemo *demo, std::shared_ptr<CVideoIo> io = nullptr);
    ~CVideoDevice() override;

    bool IsValid() const { return valid; }
    void setCameraId(int id);
    int getCameraId() const { return cameraId; }
    void ReadCameraSettings();

    bool SetSize(int w, int h);
    bool SetSize(const QSize &size);
    QSize GetSize();
    int Open(int buffers);
    int Close();
    // Leaves the camera as the program's end must: the measure settings sent
    // (front light off), capture stopped, buffers unmapped, node closed,
    // however many users had it open. The device can be opened again.
    void shutDown();

    // Starting a running capture does nothing; stopping waits for the thread to
    // finish its frame.
    void StartCapture();
    void StopCapture();
    int MCapture(int buffer);
    int MSync();

    bool SetSensor();
    void setMeasureMode();
    void setInspectionMode();
    void setPotLight(float value);
    void setStreamPalette(const QVector<uint> &palette);
    // Image of the buffer `back` frames before the current one; null when the
    // device has no buffers.
    QImage GetRGB(int back) const;
    // Copy of the measuring window of the last processed frame, taken before its
    // buffer went back to the driver; null before the first frame.
    QImage GetWindowCopy() const;
    void setMeasureLines(bool on);

    int GetDescriptor() const { return fd; }
    QString GetNodeName() const { return nodeName; }
    QString GetIntfName() const { return intfName; }
    QString getBusInfo() const { return busInfo; }
    int GetBrightness() const { return picture.brightness; }
    int GetContrast() const { return picture.contrast; }
    int GetColour() const { return picture.colour; }
    int GetWhiteness() const { return picture.whiteness; }

    bool SetPalette();
    bool SetBrightness(int value);
    bool SetHue(int value);
    bool SetColour(int value);
    bool SetContrast(int value);
    bool SetWhiteness(int value);
    int GetHue();
    void shutDownFrontLight();

    // The axis position (machine millimetres, X as the read-out holds it) the
    // search adds to what it finds, with the machine's axes it is read on:
    // handed over by the axis link, taken by the capture thread once per
    // frame. Before the first hand-over, the search's own posX/posZ.
    void setAxisPosition(float x, float z, const CameraAxes &axes = CameraAxes()) override;
    // The edges found in one frame, as the axis link's readouts combine them.
    AxisCamera::View axisView() const override;
    float compensationX() const override;
    float compensationZ() const override;
    QPointF axisPosition() const;
    // Whether the axis link handed over a position yet.
    bool hasAxisPosition() const;

    // Grey value of window pixel (x, y) in the frame being processed; 255 outside
    // the frame (x and y are bounded separately, so nothing wraps into a
    // neighbouring row).
    int windowPixel(int x, int y) const;

    // Sensor and search state, read and written directly by the panels, the main
    // window, the configuration dialog and the axis link. The search settings
    // (sensorMode, Geometry, PointStep, MSE, MinLineLenght, MSEC,
    // MinCircleLenght, XCalibration, ZCalibration, WhiteLevel, BlackLevel,
    // inPositionMode, measureLines, posX, posZ, scanline, roi, frozen,
    // rotation, cameraAngle) come with the edge search.
    SensorSet sensorSets[2];

    bool AnalogImage = true;
    float linearCompensationX = 1;
    float linearCompensationZ = 1;

    bool autoCircle = false;
    bool autoAngle = false;
    float angleReticle = 0;
    float circleReticle = 0;
    float fps = 0;
    bool extraStatusFlag = false;

    // Measuring on one captured frame (8-bit grey, `height` rows of `width`
    // bytes); runs in the capture thread once per frame, before Notify().
    // Callable directly, so the frame body can be driven without the thread.
    virtual void processFrame(const uchar *frame, int width, int height);

public slots:
    void addProfile() { CEdgeSearch::addProfile(); }
    void clearProfile() { CEdgeSearch::clearProfile(); }
    void enableFreeze(bool val, int x = 0, int z = 0) { CEdgeSearch::enableFreeze(val, x, z); }

signals:
    void Notify();
    void Closed();
    void Resized(QSize size);
    void XAxisInPos(bool inPos);
    void ZAxisInPos(bool inPos);
    void sigFoundCircle(QPoint centre, int radius);
    void sigFoundLines(QVector<sLineParam> lines);

protected:
    void run() override;

    // The search's findings, turned into this device's signals.
    void foundLines(const QVector<sLineParam> &found) override;
    void foundCircle(QPoint centre, int radius) override;
    void axisInPosition(int axis, bool inPosition) override;

    mutable QMutex mutex;
    bool valid = false;
    QString nodeName;
    QString intfName;
    QString busInfo;
    int fd = -1;
    int openCount = 0;
    int cameraId = 0;

    int palette = 0;
    video_picture picture{};
    video_mbuf mbuf{};
    int bufferCount = 0;
    int currentBuffer = 0;
    int width = 0;
    int height = 0;
    int maxWidth = 0, maxHeight = 0, minWidth = 0, minHeight = 0;
    uchar *mapBase = nullptr;
    int mapSize = 0;
    QVector<int> bufferOffsets;
    QList<QImage> images;
    const uchar *frame = nullptr;
    QVector<uint> streamPalette;
    QVector<uint> appliedColorTable;
    QImage windowCopy;
    // Size of the frame being processed (that of its buffer's image).
    int frameWidth = 0;
    int frameHeight = 0;

    bool sensorDirty = false;
    bool capturing = false;

private:
    void Init();
    void CleanUp();
    bool TryPalette(int pal, int depth);
    void ResetImagesRGB();
    void CreateImagesRGB();
    bool buffersHold(int w, int h) const;
    void stopThread();
    // Waits up to `ms` unless a stop is asked for; true when it is.
    bool pauseOrStop(int ms);

    std::shared_ptr<CVideoIo> io;
    // Under `mutex`: the last axis position handed over.
    bool axisSet = false;
    float axisX = 0;
    float axisZ = 0;
    CameraAxes handedAxes;
    // Frame rate since the capture started.
    QElapsedTimer fpsClock;
    unsigned fpsFrames = 0;
    QMutex stopLock;
    QWaitCondition stopWake;
    bool stopRequested = false;
};
