// Who a watcher process is on the broker. The client id differs from one
// process to the next, so that two watchers never push each other off the
// broker; the owner token names the process to the people who read it in a
// refusal: its host, its process id and a random number.
#pragma once

#include <string>

namespace solwire::fleet {

struct WatcherIdentity {
  std::string clientId;    // solwire-<line>-<8 hex digits>
  std::string ownerToken;  // <host>/<pid>/<the same 8 hex digits>
};

WatcherIdentity newWatcherIdentity(const std::string& line);

}  // namespace solwire::fleet
