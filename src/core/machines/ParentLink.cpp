#include "machines/ParentLink.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>

bool hasMember(const QObject *obj, const char *member)
{
    if (!obj || !member || !*member)
        return false;
    // Skip the code character that SIGNAL() and SLOT() put first.
    const QByteArray wanted = QMetaObject::normalizedSignature(member + 1);
    return obj->metaObject()->indexOfMethod(wanted.constData()) >= 0;
}
