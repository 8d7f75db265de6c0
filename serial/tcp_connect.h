// Socket steps of a network serial port: resolving the address, starting a
// non-blocking connect, checking on it, and the socket options that let a
// dead peer be noticed.
#pragma once

#include <chrono>
#include <string>

#include "serial/network_address.h"

namespace solwire {

struct KeepaliveSettings {
  int idleSeconds = 10;     // quiet time before the first probe
  int intervalSeconds = 5;  // between probes
  int probes = 3;           // unanswered probes before the connection counts as dead
  // Unacknowledged output older than this also ends the connection.
  std::chrono::milliseconds userTimeout{25000};
};

struct ConnectStart {
  int fd = -1;
  bool inProgress = false;
  int error = 0;              // negated errno, or comm_error::kBadId when the host is unknown
  std::string reason;         // the system's words for a failure
};

// Resolves `address` and starts connecting a non-blocking socket to it.
ConnectStart startConnect(const NetworkAddress& address, const KeepaliveSettings& keepalive);

// For a socket whose connect was in progress and is now writable: 0 when it
// stands, else the negated errno it failed with.
int connectOutcome(int fd);

// Waits at most `limit` for a connect in progress to finish. True when it has
// (successfully or not); connectOutcome() tells which.
bool waitForConnect(int fd, std::chrono::milliseconds limit);

}  // namespace solwire
