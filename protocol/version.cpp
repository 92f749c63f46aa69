#include "version.h"

namespace orb {

QString version()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ORB_VERSION_MAJOR)
        .arg(ORB_VERSION_MINOR)
        .arg(ORB_VERSION_PATCH);
}

QString version_text()
{
    return QStringLiteral("%1 (%2)").arg(version()).arg(ORB_VERSION_BUILD);
}

} // namespace orb
