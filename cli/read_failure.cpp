#include "cli/read_failure.h"

#include <algorithm>

namespace solwire::cli {

namespace {

bool siteDidNotAnswer(const std::vector<LinkStatus>& statuses) {
  if (std::find(statuses.begin(), statuses.end(), LinkStatus::DataTimeout) != statuses.end()) return true;
  return !statuses.empty() && statuses.back() == LinkStatus::RequestSent;
}

std::string english(LinkStatus status) { return std::string(statusText(status, Language::English)); }

bool showed(const std::vector<LinkStatus>& statuses, LinkStatus status) {
  return std::find(statuses.begin(), statuses.end(), status) != statuses.end();
}

}  // namespace

std::string readFailureText(const std::vector<LinkStatus>& statuses, int site) {
  const std::string siteText = "site " + std::to_string(site);
  if (siteDidNotAnswer(statuses)) return english(LinkStatus::DataTimeout) + ": " + siteText + " did not answer";
  if (showed(statuses, LinkStatus::ReadError))
    return english(LinkStatus::ReadError) + ": the reply of " + siteText + " did not check (a damaged or foreign reply)";
  const LinkStatus last = statuses.empty() ? LinkStatus::CommFail : statuses.back();
  return english(last) + ": reading " + siteText + " failed";
}

}  // namespace solwire::cli
