#include "support/AxbLinkFixture.h"

#include "tooling/DncSerialService.h"

#include "axis/cAxisInterface.h"
#include "camera/VideoDevice.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"

#include <QMetaObject>
#include <QSettings>
#include <QTest>

AxbLinkFixture::AxbLinkFixture() : AxbLinkFixture(Options()) {}

AxbLinkFixture::AxbLinkFixture(const Options &options) : opts(options)
{
    App::resetKovraSettings();
    MachineSettings = s_MachineSettings();
    CurrentMachine = s_machine();
    board.setAutoAnswer(opts.autoAnswer);
    // Never the real serial line: the board port is this board's terminal.
    setting("/TTY/AxbPort", board.slavePath());
    setting("/TTY/axbDncInterval", opts.interval);
    if (opts.withCamera)
        camera = std::make_unique<CVideoDevice>(workDir.filePath("video0"), nullptr);
}

AxbLinkFixture::~AxbLinkFixture()
{
    dnc.reset();
    link.reset();
    camera.reset();
    App::resetKovraSettings();
}

void AxbLinkFixture::setting(const QString &key, const QVariant &value)
{
    App::kovraSettings().setValue(key, value);
}

cAxisInterface *AxbLinkFixture::start()
{
    dnc.reset();
    link = std::make_unique<cAxisInterface>(nullptr, camera.get());
    // As the main window does: the DNC line, when there is one, beside the link.
    if (!App::kovraSettings().value("/TTY/DncPort").toString().isEmpty()) {
        cAxisInterface *l = link.get();
        dnc = std::make_unique<DncSerialService>([l](double &x, double &z) { return l->positionForDnc(x, z); });
    }
    return link.get();
}

void AxbLinkFixture::feed(const QByteArray &chunk)
{
    QMetaObject::invokeMethod(link.get(), "slot_newDataReceived", Qt::DirectConnection,
                              Q_ARG(QByteArray, chunk));
}

bool AxbLinkFixture::waitForFrame(const QByteArray &text, int count, int timeoutMs)
{
    return QTest::qWaitFor([&] { return board.countFrames(text) >= count; }, timeoutMs);
}

QList<QByteArray> AxbLinkFixture::outputFrames() const
{
    QList<QByteArray> out;
    for (const QByteArray &t : board.frameTexts())
        if (t.startsWith('B'))
            out.append(t);
    return out;
}
