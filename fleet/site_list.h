// The sites a watcher reads, as written on its command line: site numbers and
// ranges separated by commas ("0-3,7,31").
#pragma once

#include <string>
#include <vector>

namespace solwire::fleet {

struct SiteList {
  std::vector<int> sites;  // ascending, each once
  std::string error;       // empty when the text was a good list
};

SiteList parseSiteList(const std::string& text);

}  // namespace solwire::fleet
