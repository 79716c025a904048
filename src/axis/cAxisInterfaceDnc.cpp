// Serial DNC service of the axis link: requests of a CNC or host computer on
// the second serial line.
#include "axis/cAxisInterface.h"

// Requests on the DNC line are not answered yet; the port is opened and its
// chunks arrive here.
void cAxisInterface::slot_DncRequest(QByteArray data)
{
    Q_UNUSED(data);
}

void cAxisInterface::slotDncTimeout()
{
    dncTimer.stop();
}
