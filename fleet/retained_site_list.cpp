#include "fleet/retained_site_list.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace solwire::fleet {

namespace {

constexpr int kLastSite = 31;
// Far more than the 32 sites' list takes: a bigger payload is not ours,
// and is not parsed.
constexpr std::size_t kLongestList = 1024;

bool isSiteNumber(const nlohmann::json& value) {
  return value.is_number_integer() && value.get<long long>() >= 0 && value.get<long long>() <= kLastSite;
}

}  // namespace

std::string siteListPayload(const std::vector<int>& sites) { return nlohmann::json(sites).dump(); }

std::vector<int> sitesFromPayload(const std::string& payload) {
  if (payload.size() > kLongestList) return {};
  nlohmann::json list;
  try {
    list = nlohmann::json::parse(payload);
  } catch (const nlohmann::json::exception&) {
    return {};
  }
  if (!list.is_array() || !std::all_of(list.begin(), list.end(), isSiteNumber)) return {};
  std::vector<int> sites;
  for (const auto& site : list) sites.push_back(site.get<int>());
  std::sort(sites.begin(), sites.end());
  sites.erase(std::unique(sites.begin(), sites.end()), sites.end());
  return sites;
}

}  // namespace solwire::fleet
