#include "cli/read_failure.h"

#include <algorithm>

namespace solwire::cli {

namespace {

bool siteDidNotAnswer(const std::vector<LinkStatus>& statuses) {
  if (std::find(statuses.begin(), statuses.end(), LinkStatus::DataTimeout) != statuses.end()) return true;
  return !statuses.empty() && statuses.back() == LinkStatus::RequestSent;
}

}  // namespace

std::string readFailureText(const std::vector<LinkStatus>& statuses, int site) {
  if (siteDidNotAnswer(statuses))
    return std::string(statusText(LinkStatus::DataTimeout, Language::English)) + ": site " + std::to_string(site) +
           " did not answer";
  return std::string(statusText(statuses.empty() ? LinkStatus::CommFail : statuses.back(), Language::English));
}

}  // namespace solwire::cli
