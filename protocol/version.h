#pragma once

#include <QString>

namespace orb {

// Who makes the tool and what it is called: the About box shows them, and the window's settings
// are stored under them.
constexpr char organization_name[] = "ORB Technology";
constexpr char application_name[] = "ORB PTZ Washing";

// The release, from the project's version in the build: "0.0.99".
QString version();

// The release with its build number, as the About box shows it: "0.0.99 (116)".
QString version_text();

} // namespace orb
