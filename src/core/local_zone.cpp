#include "core/local_zone.h"

#include <QByteArray>
#include <QtGlobal>

namespace localzone {

void pin()
{
#ifndef Q_OS_WIN
    if (!qEnvironmentVariableIsSet("TZ"))
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
#endif
}

} // namespace localzone
