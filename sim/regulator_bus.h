// The simulated line: up to 32 regulators, each at its own site number,
// listening to what the host puts on the line. Only the addressed regulator
// answers; a site with no regulator stays silent.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/link_environment.h"
#include "protocol/request_frames.h"
#include "sim/regulator_site.h"
#include "sim/reply.h"
#include "sim/request_stream.h"

namespace solwire::sim {

class RegulatorBus {
 public:
  // The seed fixes every site's contents and weather: two buses with the same
  // seed and the same sites answer alike.
  explicit RegulatorBus(std::uint32_t seed = 1);

  // Puts a regulator with plausible contents at `site`, replacing any that
  // was there. Its contents depend on the bus seed and the site number only.
  // Throws std::out_of_range for a site or type code outside 0..31.
  RegulatorSite& addSite(int site, int typeCode);
  void removeSite(int site);

  // nullptr when no regulator answers at that number.
  RegulatorSite* site(int site);
  const RegulatorSite* site(int site) const;

  // Bytes the host put on the line, in any split: a frame may arrive across
  // several calls and garbage is skipped. Writes change the addressed site's
  // memory; reads give the replies of the regulators addressed, in line
  // order. `now` drives the day pattern of the live state.
  std::vector<Reply> receive(std::span<const std::uint8_t> bytes, const LocalTime& now);

 private:
  std::optional<Reply> handle(const LineFrame& frame, const LocalTime& now);

  std::uint32_t seed_;
  std::array<std::optional<RegulatorSite>, kSiteCount> sites_;
  RequestStream stream_;
};

}  // namespace solwire::sim
