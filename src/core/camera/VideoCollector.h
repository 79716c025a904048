#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class CVideoDevice;
class CVideoIo;

// Finds the camera nodes once and owns one device per usable node, in node
// order. With "/camera/StandIn" naming a folder of PNG pictures it lists one
// stand-in camera serving them instead.
class CVideoCollector
{
public:
    // Gives the driver calls for one node; null means the camera driver.
    using IoFactory = std::function<std::shared_ptr<CVideoIo>(const QString &node)>;

    static CVideoCollector *Instance();

    // A collector over the nodes `nodePattern` (with one %d for 0..63).
    explicit CVideoCollector(const QString &nodePattern = QStringLiteral("/dev/video%d"),
                             IoFactory factory = IoFactory());
    ~CVideoCollector();
    CVideoCollector(const CVideoCollector &) = delete;
    CVideoCollector &operator=(const CVideoCollector &) = delete;

    void Scan();
    // Lists the one stand-in camera on the pictures of `folder`; they move
    // with the axes the device is handed, kStandInMmPerPixel to a pixel.
    void UseStandIn(const QString &folder);
    // The scale of the demo's pictures (tools/make-demo-frames).
    static constexpr double kStandInMmPerPixel = 0.01;

    int NumberOfVideoDevices() const { return devices.size(); }
    // i must be 0 .. NumberOfVideoDevices() - 1.
    CVideoDevice *GetVideoDevice(int i) const { return devices.at(i); }

private:
    static CVideoCollector *Collector;
    QString pattern;
    IoFactory ioFor;
    QList<CVideoDevice *> devices;
};
