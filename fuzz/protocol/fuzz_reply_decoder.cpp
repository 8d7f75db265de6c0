// Arbitrary bytes as a reply of any kind: the check and the decoder must
// accept every length and content without reading out of bounds.
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/reply_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto kind = static_cast<solwire::RequestKind>(data[0] % 6 + 1);
  const int block = data[0] / 6 % 10;  // includes blocks outside 1..8
  const std::span<const std::uint8_t> reply(data + 1, size - 1);

  solwire::SiteData model;
  const bool ok = solwire::replyFramingOk(kind, reply);
  solwire::storeReply(model, kind, reply, block);
  const solwire::DataBytes p(reply, static_cast<int>(reply.size()));
  volatile int sink = p.P(p.count()) + (ok ? 1 : 0) + model.current.stateCode;
  (void)sink;
  return 0;
}
