// The version of the running build, as the caption and the exit panel show it.
#pragma once

#include <string>

namespace solwire {

// Major, minor, release and build as "%d.%d.%d.%d", e.g. "1.0.0.1".
std::string versionText();

}  // namespace solwire
