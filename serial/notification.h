// What the dispatch thread tells its targets: the codes and values a trigger
// hit carries.
#pragma once

#include <cstdint>

namespace solwire {

namespace notify {
inline constexpr std::uint16_t kDataAvailable = 0x7E01;
inline constexpr std::uint16_t kDataTrigger = 0x7E02;
inline constexpr std::uint16_t kTimer = 0x7E03;
inline constexpr std::uint16_t kStatus = 0x7E04;
// The device has gone (hang-up, adapter unplugged); sent once.
inline constexpr std::uint16_t kDeviceLost = 0x7E0B;
}  // namespace notify

struct Notification {
  std::uint16_t code = 0;
  std::uint16_t param = 0;       // unread count (data available) or trigger handle
  std::uint16_t data = 0;        // count for output-buffer triggers, else 0
  std::uint16_t arming = 0;      // timer and status hits: which arming of the trigger fired
  std::uint8_t statusType = 0;   // status hits: the trigger's type
  std::uint16_t lineErrors = 0;  // line-error hits: the error bits
};

}  // namespace solwire
