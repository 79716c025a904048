#include "VideoCollector.h"

#include "camera/PngFolderSource.h"
#include "camera/StandInCarriage.h"
#include "camera/VideoDevice.h"
#include "camera/VideoStandIn.h"
#include "shared/App.h"

#include <QFileInfo>
#include <QSettings>


CVideoCollector *CVideoCollector::Collector = nullptr;

CVideoCollector *CVideoCollector::Instance()
{
    if (!Collector) {
        Collector = new CVideoCollector();
        const QString standIn = App::kovraSettings().value(QStringLiteral("/camera/StandIn")).toString();
        if (standIn.isEmpty()) {
            Collector->Scan();
        } else if (QFileInfo(standIn).isDir()) {
            Collector->UseStandIn(standIn);
        } else {
            qWarning("CVideoCollector: \"/camera/StandIn\" names no folder (%s); looking for cameras.",
                     qPrintable(standIn));
            Collector->Scan();
        }
    }
    return Collector;
}

CVideoCollector::CVideoCollector(const QString &nodePattern, IoFactory factory)
    : pattern(nodePattern), ioFor(std::move(factory))
{
}

CVideoCollector::~CVideoCollector()
{
    qDeleteAll(devices);
    devices.clear();
}

void CVideoCollector::Scan()
{
    for (int n = 0; n < 64; ++n) {
        const QString node = QString(pattern).replace(QLatin1String("%d"), QString::number(n));
        // The entry itself decides: a link to a node is not a second camera.
        const QFileInfo entry(node);
        if (entry.isSymLink() || !entry.exists())
            continue;
        auto *device = new CVideoDevice(node, nullptr, ioFor ? ioFor(node) : nullptr);
        if (device->IsValid())
            devices.append(device);
        else
            delete device;
    }
}

void CVideoCollector::UseStandIn(const QString &folder)
{
    CVideoStandIn::Config config;
    config.node = folder;
    auto pictures = std::make_shared<CPngFolderSource>(folder);
    auto io = std::make_shared<CVideoStandIn>(pictures, config);
    auto *device = new CVideoDevice(folder, nullptr, io);
    if (!device->IsValid()) {
        delete device;
        return;
    }
    // The pictures move with the carriage, as a camera's picture does; the
    // device is fed and measures on them as on a real camera's frames.
    auto carriage = std::make_shared<CStandInCarriage>(device, kStandInMmPerPixel);
    QObject::connect(device, &CVideoDevice::Notify, carriage.get(), &CStandInCarriage::update);
    pictures->setShift([carriage] { return carriage->shift(); });
    devices.append(device);
}
