// One regulator's answer as it goes back on the line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace solwire::sim {

// How long a regulator takes between the last byte of a request and the
// first byte of its reply.
inline constexpr std::chrono::milliseconds kReplyTurnaround{20};

struct Reply {
  std::vector<std::uint8_t> bytes;
  // From the request's last byte to the reply's first byte.
  std::chrono::milliseconds delay{kReplyTurnaround};
  // The site that answered.
  int site = 0;
  // How many bytes of the input handed to the bus in this call, counted up to
  // and including the request's last byte. A pacing line uses it to know when
  // the request ended, since one call may carry several requests.
  std::size_t requestEnd = 0;
};

}  // namespace solwire::sim
