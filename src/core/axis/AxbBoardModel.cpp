#include "AxbBoardModel.h"

QList<QByteArray> AxbBoardModel::takeFrames(QByteArray &pending)
{
    QList<QByteArray> texts;
    for (;;) {
        const int enq = pending.indexOf('\x05');
        if (enq < 0) {
            pending.clear();
            break;
        }
        const int cr = pending.indexOf('\r', enq);
        if (cr < 0) {
            pending.remove(0, enq);
            break;
        }
        texts.append(pending.mid(enq + 1, cr - enq - 1));
        pending.remove(0, cr + 1);
    }
    return texts;
}

bool AxbBoardModel::isStatusRequest(const QByteArray &text)
{
    return text == "H" || text == "S" || text == "?" || text == "N";
}

void AxbBoardModel::apply(const QByteArray &text)
{
    if (text.startsWith('B')) {
        bool ok = false;
        const int v = text.mid(1).toInt(&ok);
        if (ok)
            outputs = v & 0xFF;
    } else if (text == "R") {
        referenced = true;
    }
}

QByteArray AxbBoardModel::positionLine(int xCount, int zCount, int cCount) const
{
    QByteArray line = (referenced ? "X" : "x") + QByteArray::number(xCount);
    line += ' ';
    line += (referenced ? "Z" : "z") + QByteArray::number(zCount);
    line += " I" + QByteArray::number(inputs) + " O" + QByteArray::number(outputs);
    if (cAxis)
        line += (referenced ? " C" : " c") + QByteArray::number(cCount);
    if (type >= 0)
        line += " T" + QByteArray::number(type);
    line += '\r';
    return line;
}
