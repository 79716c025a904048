// Bytes on the head's line: the program's reading of the head's answers
// (first byte: the read count) and the head stand-in's reading of telegrams.
#include <QByteArray>

#include "rfid/BalluffHeadModel.h"
#include "rfid/BalluffTelegram.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int count = data[0];
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));
    char code = 0;
    QByteArray out;
    BalluffTelegram::requestAnswer(bytes, &code);
    BalluffTelegram::readReply(bytes, count, &out);
    BalluffTelegram::presenceAnswer(bytes);
    BalluffHeadModel head;
    head.tag = QByteArray(64, '\0');
    head.take(bytes);
    return 0;
}
