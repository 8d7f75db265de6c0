#include "fleet/site_list.h"

#include <charconv>
#include <set>

#include "protocol/request_frames.h"

namespace solwire::fleet {

namespace {

bool parseSite(const std::string& text, int& site) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, site);
  return !text.empty() && error == std::errc{} && ptr == end && site >= 0 && site < kSiteCount;
}

// One item: "7" or "0-3". Adds its sites, or says what is wrong with it.
std::string addItem(const std::string& item, std::set<int>& sites) {
  const std::string outOfRange = "\"" + item + "\" is not a site number 0.." + std::to_string(kSiteCount - 1) +
                                 " or a range of them such as 0-3";
  const auto dash = item.find('-');
  int first = 0;
  int last = 0;
  if (dash == std::string::npos) {
    if (!parseSite(item, first)) return outOfRange;
    last = first;
  } else if (!parseSite(item.substr(0, dash), first) || !parseSite(item.substr(dash + 1), last)) {
    return outOfRange;
  }
  if (last < first) return "the range \"" + item + "\" runs backwards";
  for (int site = first; site <= last; ++site) sites.insert(site);
  return {};
}

}  // namespace

SiteList parseSiteList(const std::string& text) {
  if (text.empty()) return {{}, "no sites given"};
  std::set<int> sites;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (item.empty()) return {{}, "an empty item in \"" + text + "\""};
    if (std::string error = addItem(item, sites); !error.empty()) return {{}, error};
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return {{sites.begin(), sites.end()}, {}};
}

}  // namespace solwire::fleet
