#include "extra_ports.h"

#include <QDir>

namespace orb {

QStringList extra_ports()
{
    return qEnvironmentVariable(extra_ports_variable)
        .split(QDir::listSeparator(), Qt::SkipEmptyParts);
}

} // namespace orb
