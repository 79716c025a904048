#pragma once

#include "rfid/BalluffHeadModel.h"
#include "support/PtyPeer.h"

// A read/write head on a pseudo-terminal (query mode): the program opens
// slavePath() as the head's port; model holds the tag and the scripted
// refusals and answers from the test's event loop.
class FakeBalluffHead : public PtyPeer
{
    Q_OBJECT
public:
    explicit FakeBalluffHead(QObject *parent = nullptr);

    BalluffHeadModel model;
};
