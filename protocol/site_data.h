// The site data model: the last decoded values of the selected site.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/record_origin.h"

namespace solwire {

inline constexpr int kHistoryDays = 32;
inline constexpr int kSettingsEntries = 17;
inline constexpr int kCalibrationChannels = 8;
inline constexpr int kAlarmInputs = 13;

struct Scaling {
  std::int32_t voltageMultiplier = 4;        // battery class = 12 V x multiplier
  std::int32_t chargeCurrentMultiplier = 1;
  std::int32_t loadCurrentMultiplier = 0;    // 0 until the first current-state reply
  bool alternateVoltageScale = false;

  bool operator==(const Scaling&) const = default;
};

struct CurrentStateRecord {
  std::int32_t typeCode = 0;  // the regulator's model, from the reply header
  std::int32_t batteryVoltageReading = 24;
  std::int32_t chargeCurrentReading = 0;
  std::int32_t loadCurrentReading = 0;
  std::int32_t dailyMaxVoltage = 0;
  std::int32_t dailyMinVoltage = 0;
  std::int32_t chargeAh = 0;
  std::int32_t loadAh = 0;
  std::int32_t stateCode = 0;

  bool operator==(const CurrentStateRecord&) const = default;
};

struct HistoryRecord {
  std::array<std::int32_t, kHistoryDays> minVoltage{};
  std::array<std::int32_t, kHistoryDays> maxVoltage{};
  std::array<std::int32_t, kHistoryDays> chargeAh{};
  std::array<std::int32_t, kHistoryDays> dischargeAh{};

  // The built-in sample values shown before the first history transfer.
  static HistoryRecord sampleValues();
};

// Index of each settings entry (also the row of the settings list).
enum SettingsEntry : int {
  BoostMaximumVoltage = 0,
  BoostTaperVoltage = 1,
  NumberOfBanksUsed = 2,
  FloatMaximumVoltage = 3,
  FloatMinimumVoltage = 4,
  BoostCutInVoltage = 5,
  AbsoluteMaximumVoltage = 6,
  TemperatureCompensation = 7,
  StateChangeDelay = 8,
  DisplayTemperatureSetting = 9,
  DisplayContrast = 10,
  LoadDisconnectVoltage = 11,
  LoadReconnectVoltage = 12,
  DelayBeforeDisconnect = 13,
  LowBatteryAlarm = 14,
  CommunicationBaudRate = 15,
  BaudByteLowBits = 16,
};

using SettingsRecord = std::array<std::int32_t, kSettingsEntries>;

struct CalibrationRecord {
  std::array<std::int32_t, kCalibrationChannels> g{};
  std::array<std::int32_t, kCalibrationChannels> o{};
};

struct AlarmRecord {
  std::array<std::int32_t, kAlarmInputs> state{};
  std::array<std::int32_t, kAlarmInputs> previousState{};
  std::array<std::uint8_t, kAlarmInputs> flash{};
};

// Where each record of the model came from. History is read four days to a
// block, and a transfer may end between blocks, so each day has its own.
struct RecordOrigins {
  RecordOrigin current = RecordOrigin::sample();  // the scaling comes with it
  std::array<RecordOrigin, kHistoryDays> historyDays = everyDay(RecordOrigin::sample());
  RecordOrigin settings;
  RecordOrigin calibration;
  RecordOrigin alarms;  // the states stored at the last exit are not a reading

  static std::array<RecordOrigin, kHistoryDays> everyDay(const RecordOrigin& origin) {
    std::array<RecordOrigin, kHistoryDays> days;
    days.fill(origin);
    return days;
  }
};

struct SiteData {
  Scaling scaling;
  CurrentStateRecord current;
  HistoryRecord history = HistoryRecord::sampleValues();
  SettingsRecord settings{};
  CalibrationRecord calibration;
  AlarmRecord alarms;
  RecordOrigins origins;

  bool SettingsRead = false;
  bool CalibrationRead = false;
  bool LogReadingReady = false;
};

// The last log reading (request kind 6): the log site's current state, scaled
// by its type code as a current-state reading is. It is kept apart from the
// selected site's model, which a log reading never touches; the periodic log
// entry is composed from it.
struct LogReading {
  std::int32_t site = 0;  // the log site the reading was made for
  Scaling scaling{1, 1, 1, false};
  CurrentStateRecord current;
};

// The class multiplier that volts derived from a record are computed with:
// that of the site the record was read from; the model's own for values no
// site gave (the sample, start values).
std::int32_t voltageMultiplierOf(const RecordOrigin& origin, const SiteData& data);
// The same for each day of the history.
std::array<std::int32_t, kHistoryDays> historyVoltageMultipliers(const SiteData& data);

// The model as it stands at start-up: sample history, battery reading 24, the
// stored multipliers, the load multiplier and alternate scale at 0.
SiteData startValues(std::int32_t voltageMultiplier, std::int32_t chargeCurrentMultiplier);

}  // namespace solwire
