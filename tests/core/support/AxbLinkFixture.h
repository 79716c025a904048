#pragma once

#include "support/FakeAxbBoard.h"
#include "support/TestWorkDir.h"

#include <QVariant>

#include <memory>

class cAxisInterface;
class CVideoDevice;
class DncSerialService;

// One axis link in a fresh working directory, its board port on a fake board's
// pseudo-terminal, with the machine records at their initial values and a
// camera object that has no device behind it.
struct AxbLinkFixture
{
    struct Options
    {
        int interval = 0;          // "/TTY/axbDncInterval"
        bool autoAnswer = false;   // the board answers status requests
        bool withCamera = true;
    };

    AxbLinkFixture();
    explicit AxbLinkFixture(const Options &options);
    ~AxbLinkFixture();

    // Writes a settings key before the link is built (call start() after).
    void setting(const QString &key, const QVariant &value);
    // The link, and the serial DNC service when "/TTY/DncPort" is set.
    cAxisInterface *start();
    // Feeds one chunk to the link's receive assembly as the port would.
    void feed(const QByteArray &chunk);
    // Waits until the board logged a frame with this text (count times).
    bool waitForFrame(const QByteArray &text, int count = 1, int timeoutMs = 3000);
    // Texts of the output frames ("B...") the board received, in order.
    QList<QByteArray> outputFrames() const;

    Options opts;
    TestWorkDir workDir;
    FakeAxbBoard board;
    std::unique_ptr<CVideoDevice> camera;
    std::unique_ptr<cAxisInterface> link;
    // Started with the link when "/TTY/DncPort" is set.
    std::unique_ptr<DncSerialService> dnc;
};
