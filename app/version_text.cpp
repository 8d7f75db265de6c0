#include "app/version_text.h"

#include <cstdio>

#include "app/version.h"

namespace solwire {

std::string versionText() {
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
  return text;
}

}  // namespace solwire
