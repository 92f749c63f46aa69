#pragma once

#include <QString>

namespace orb {

// The release, from the project's version in the build: "0.0.99".
QString version();

// The release with its build number, as the About box shows it: "0.0.99 (116)".
QString version_text();

} // namespace orb
