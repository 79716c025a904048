#include "camera/LineParam.h"

void registerLineParamMetaTypes()
{
    qRegisterMetaType<sLineParam>("sLineParam");
    qRegisterMetaType<sLineParam>("struct sLineParam");
    qRegisterMetaType<QVector<sLineParam>>("QVector<sLineParam>");
    qRegisterMetaType<QVector<sLineParam>>("QVector <struct sLineParam>");
}
