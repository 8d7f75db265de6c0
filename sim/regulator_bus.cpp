#include "sim/regulator_bus.h"

#include <stdexcept>

#include "sim/seeded_random.h"

namespace solwire::sim {

namespace {

bool isSiteNumber(int site) { return site >= 0 && site < kSiteCount; }

}  // namespace

RegulatorBus::RegulatorBus(std::uint32_t seed) : seed_(seed) {}

RegulatorSite& RegulatorBus::addSite(int site, int typeCode) {
  if (!isSiteNumber(site)) throw std::out_of_range("site number outside 0..31");
  auto& slot = sites_[static_cast<std::size_t>(site)];
  slot.emplace(site, typeCode, mixSeed(seed_, static_cast<std::uint64_t>(site)));
  return *slot;
}

void RegulatorBus::removeSite(int site) {
  if (isSiteNumber(site)) sites_[static_cast<std::size_t>(site)].reset();
}

RegulatorSite* RegulatorBus::site(int site) {
  if (!isSiteNumber(site)) return nullptr;
  auto& slot = sites_[static_cast<std::size_t>(site)];
  return slot ? &*slot : nullptr;
}

const RegulatorSite* RegulatorBus::site(int site) const {
  if (!isSiteNumber(site)) return nullptr;
  const auto& slot = sites_[static_cast<std::size_t>(site)];
  return slot ? &*slot : nullptr;
}

std::vector<Reply> RegulatorBus::receive(std::span<const std::uint8_t> bytes,
                                         const LocalTime& now) {
  std::vector<Reply> replies;
  for (const LineFrame& frame : stream_.feed(bytes)) {
    if (auto reply = handle(frame, now)) replies.push_back(std::move(*reply));
  }
  return replies;
}

std::optional<Reply> RegulatorBus::handle(const LineFrame& frame, const LocalTime& now) {
  if (const auto* write = std::get_if<WriteRequest>(&frame)) {
    if (RegulatorSite* target = site(write->site)) target->write(write->address, write->data);
    return std::nullopt;
  }
  const auto& read = std::get<ReadRequest>(frame);
  const RegulatorSite* target = site(read.site);
  if (!target) return std::nullopt;
  auto reply = target->answer(read.command, now);
  if (reply) reply->requestEnd = read.end;
  return reply;
}

}  // namespace solwire::sim
