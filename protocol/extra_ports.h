#pragma once

#include <QStringList>

namespace orb {

// Names the system's port list never shows (pseudo-terminals, socat links, some virtual COM
// pairs), separated as PATH is; the window and orbctl offer them beside the listed ports.
constexpr char extra_ports_variable[] = "ORB_PTZ_WASHING_EXTRA_PORTS";

QStringList extra_ports();

} // namespace orb
