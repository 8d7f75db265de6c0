#include "protocol/reply_decoder.h"

#include <algorithm>
#include <initializer_list>

#include "protocol/record_stamps.h"

namespace solwire {

namespace {

bool isOneOf(int value, std::initializer_list<int> set) {
  return std::find(set.begin(), set.end(), value) != set.end();
}

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

int word(const DataBytes& p, int high, int low) { return p.P(high) * 256 + p.P(low); }

int typeCodeOf(std::span<const std::uint8_t> reply) { return reply.empty() ? 0 : reply[0]; }

CurrentStateRecord currentStateOf(std::span<const std::uint8_t> reply) {
  CurrentStateRecord record = decodeCurrentState(DataBytes(reply, replyLength(RequestKind::CurrentState)));
  record.typeCode = typeCodeOf(reply);
  return record;
}

}  // namespace

DataBytes::DataBytes(std::span<const std::uint8_t> reply, int length) {
  count_ = std::clamp((length - 1) / 2, 0, kMaxCount);
  auto nibble = [&](int index) -> int {
    return index < static_cast<int>(reply.size()) ? (reply[static_cast<std::size_t>(index)] & 0x0F) : 0;
  };
  for (int k = 1; k <= count_; ++k)
    bytes_[static_cast<std::size_t>(k - 1)] = static_cast<std::uint8_t>(nibble(2 * k - 1) * 16 + nibble(2 * k));
}

std::uint8_t replyHeader(RequestKind kind) {
  switch (kind) {
    case RequestKind::Settings:
    case RequestKind::Calibration:
      return 0x50;
    case RequestKind::HistoryBlock:
      return 0x90;
    case RequestKind::AlarmInputs:
      return 0xD0;
    case RequestKind::CurrentState:
    case RequestKind::LogCurrentState:
      break;
  }
  return 0x00;
}

std::uint8_t replyTag(RequestKind kind) {
  switch (kind) {
    case RequestKind::Settings:
    case RequestKind::Calibration:
      return 0x60;
    case RequestKind::HistoryBlock:
      return 0xA0;
    case RequestKind::AlarmInputs:
      return 0xE0;
    case RequestKind::CurrentState:
    case RequestKind::LogCurrentState:
      break;
  }
  return 0x20;
}

bool replyFramingOk(RequestKind kind, std::span<const std::uint8_t> reply) {
  const auto length = static_cast<std::size_t>(replyLength(kind));
  if (reply.size() < length) return false;
  const bool currentState = kind == RequestKind::CurrentState || kind == RequestKind::LogCurrentState;
  const bool headerOk = currentState ? (reply[0] >> 4) <= 1 : reply[0] == replyHeader(kind);
  if (!headerOk) return false;
  const std::uint8_t tag = replyTag(kind);
  return std::all_of(reply.begin() + 1, reply.begin() + static_cast<std::ptrdiff_t>(length),
                     [tag](std::uint8_t b) { return (b & 0xF0) == tag; });
}

Scaling scalingForCurrentState(int t) {
  Scaling s;
  s.voltageMultiplier = isOneOf(t, {1, 4, 14, 17, 21, 22, 27, 28}) ? 2
                        : isOneOf(t, {2, 5, 18, 23, 24, 29, 30}) ? 4
                                                                  : 1;
  s.alternateVoltageScale = isOneOf(t, {3, 4, 5, 14}) || inRange(t, 25, 30);
  s.chargeCurrentMultiplier = (inRange(t, 15, 18) || isOneOf(t, {26, 28, 30})) ? 2 : 1;
  if (t < 6) s.chargeCurrentMultiplier = 4;
  s.loadCurrentMultiplier = t == 14 ? 4 : 1;
  return s;
}

CurrentStateRecord decodeCurrentState(const DataBytes& p) {
  CurrentStateRecord r;
  r.batteryVoltageReading = word(p, 1, 2);
  r.chargeCurrentReading = word(p, 3, 4);
  r.loadCurrentReading = word(p, 5, 6);
  r.dailyMaxVoltage = p.P(7);
  r.dailyMinVoltage = p.P(8);
  r.chargeAh = word(p, 9, 10);
  r.loadAh = word(p, 11, 12);
  r.stateCode = p.P(13) > 69 ? p.P(13) - 64 : p.P(13);
  return r;
}

SettingsRecord decodeSettings(const DataBytes& p) {
  SettingsRecord s{};
  s[BoostMaximumVoltage] = p.P(1);
  s[BoostTaperVoltage] = p.P(2);
  s[NumberOfBanksUsed] = (p.P(3) & 3) + 1;
  s[FloatMaximumVoltage] = p.P(4);
  s[FloatMinimumVoltage] = p.P(5);
  s[BoostCutInVoltage] = p.P(6);
  s[AbsoluteMaximumVoltage] = p.P(14);
  s[TemperatureCompensation] = p.P(7) >> 5;
  s[StateChangeDelay] = p.P(3) >> 2;
  s[DisplayTemperatureSetting] = p.P(7) & 31;
  s[DisplayContrast] = p.P(8);
  s[LoadDisconnectVoltage] = p.P(9);
  s[LoadReconnectVoltage] = p.P(10);
  s[DelayBeforeDisconnect] = p.P(11);
  s[LowBatteryAlarm] = p.P(12);
  s[CommunicationBaudRate] = p.P(13) >> 5;
  s[BaudByteLowBits] = p.P(13) & 31;
  return s;
}

CalibrationRecord decodeCalibration(const DataBytes& p) {
  CalibrationRecord c;
  for (int i = 0; i < kCalibrationChannels; ++i) {
    c.g[static_cast<std::size_t>(i)] = p.P(2 * i + 1);
    c.o[static_cast<std::size_t>(i)] = p.P(2 * i + 2);
  }
  return c;
}

void decodeHistoryBlock(HistoryRecord& h, int block, const DataBytes& p) {
  if (block < 1 || block > kHistoryBlocks) return;
  for (int j = 0; j < 4; ++j) {
    const auto day = static_cast<std::size_t>(4 * (block - 1) + j);
    const int base = 6 * j;
    h.minVoltage[day] = p.P(base + 1);
    h.maxVoltage[day] = p.P(base + 2);
    h.chargeAh[day] = word(p, base + 4, base + 3);  // low byte first
    h.dischargeAh[day] = word(p, base + 6, base + 5);
  }
}

std::array<std::int32_t, kAlarmInputs> decodeAlarmInputs(const DataBytes& p) {
  const int p1 = p.P(1);
  const int p2 = p.P(2);
  return {p2 & 2,
          p2 & 4,
          p2 & 128,
          (p2 & 16) == 0 ? 16 : 0,  // input 3 is active low
          p2 & 1,
          p2 & 64,
          p1 & 1,
          p1 & 2,
          p1 & 4,
          p1 & 8,
          p1 & 16,
          p1 & 32,
          p1 & 64};
}

void applyAlarmInputs(AlarmRecord& alarms, const std::array<std::int32_t, kAlarmInputs>& states) {
  alarms.previousState = alarms.state;
  alarms.state = states;
  for (std::size_t i = 0; i < states.size(); ++i)
    if (alarms.state[i] != alarms.previousState[i]) alarms.flash[i] = 1;
}

void storeReply(SiteData& data, RequestKind kind, std::span<const std::uint8_t> reply, int historyBlock) {
  const DataBytes p(reply, replyLength(kind));
  switch (kind) {
    case RequestKind::CurrentState:
    case RequestKind::LogCurrentState:
      data.scaling = scalingForCurrentState(typeCodeOf(reply));
      data.current = currentStateOf(reply);
      break;
    case RequestKind::Settings:
      data.settings = decodeSettings(p);
      break;
    case RequestKind::Calibration:
      data.calibration = decodeCalibration(p);
      break;
    case RequestKind::HistoryBlock:
      decodeHistoryBlock(data.history, historyBlock, p);
      break;
    case RequestKind::AlarmInputs:
      applyAlarmInputs(data.alarms, decodeAlarmInputs(p));
      break;
  }
}

void storeReply(SiteData& data, RequestKind kind, std::span<const std::uint8_t> reply, int historyBlock,
                const ReadStamp& from) {
  storeReply(data, kind, reply, historyBlock);
  // A current-state reply brings its own class; other lists take the class
  // their site is known to have.
  const int multiplier = kind == RequestKind::CurrentState ? data.scaling.voltageMultiplier : from.voltageMultiplier;
  stampRead(data.origins, kind, historyBlock, from.site, from.at, multiplier);
}

void storeLogReply(LogReading& reading, std::span<const std::uint8_t> reply) {
  reading.scaling = scalingForCurrentState(typeCodeOf(reply));
  reading.current = currentStateOf(reply);
}

}  // namespace solwire
