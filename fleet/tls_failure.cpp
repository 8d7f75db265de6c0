#include "fleet/tls_failure.h"

#include <algorithm>

namespace solwire::fleet {

namespace {

// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"
// ends in its reason after the last colon; libmosquitto's own lines start
// with "Error: " and may end with a full stop.
std::string reasonOf(const std::string& line) {
  std::string reason = line;
  if (reason.starts_with("OpenSSL Error")) {
    const auto colon = reason.rfind(':');
    reason = colon == std::string::npos ? reason : reason.substr(colon + 1);
  } else if (reason.starts_with("Error: ")) {
    reason = reason.substr(7);
  }
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ' || reason.back() == '\n')) reason.pop_back();
  while (!reason.empty() && reason.front() == ' ') reason.erase(reason.begin());
  return reason;
}

}  // namespace

std::string tlsFailureReason(const std::vector<std::string>& errorLines) {
  std::vector<std::string> reasons;
  for (const std::string& line : errorLines) {
    const std::string reason = reasonOf(line);
    if (!reason.empty() && std::find(reasons.begin(), reasons.end(), reason) == reasons.end())
      reasons.push_back(reason);
  }
  if (reasons.empty()) return "the TLS handshake failed";
  std::string text;
  for (const std::string& reason : reasons) text += (text.empty() ? "" : "; ") + reason;
  if (std::find(reasons.begin(), reasons.end(), "certificate verify failed") != reasons.end())
    text += " (the broker's certificate is not signed by the given certificate authority, or is not made out to "
            "the host connected to)";
  return text;
}

}  // namespace solwire::fleet
