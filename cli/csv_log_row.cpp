#include "cli/csv_log_row.h"

#include <array>
#include <cstdint>

#include "protocol/value_format.h"

namespace solwire::cli {

namespace {


std::array<std::string, kCsvLogFields - 2> readingFields(const LogReading& reading) {
  const Scaling& s = reading.scaling;
  const CurrentStateRecord& c = reading.current;
  // The battery line of the entry halves the reading's scale only for 12 V regulators.
  const int batteryScale = s.voltageMultiplier > 1 ? 2 : 1;
  return {
      oneDecimal(batteryScale * c.batteryVoltageReading / 1280.0),
      oneDecimal(s.chargeCurrentMultiplier * c.chargeCurrentReading / 640.0),
      oneDecimal(s.loadCurrentMultiplier * c.loadCurrentReading / 640.0),
      // The real count: the entry's 9999 is a cap for its column, not a value.
      std::to_string(c.chargeAh),
      std::to_string(c.loadAh),
      dailyVoltageText(s.voltageMultiplier, c.dailyMaxVoltage),
      dailyVoltageText(s.voltageMultiplier, c.dailyMinVoltage),
      std::to_string(c.stateCode),
  };
}

}  // namespace

std::string csvLogHeader() {
  return "Time,Site,Battery V,Charge A,Load A,Charge Ah,Load Ah,Daily max V,Daily min V,State\n";
}

std::string csvLogRow(const std::string& isoTime, int site, const std::optional<LogReading>& reading) {
  std::string row = isoTime + "," + std::to_string(site);
  if (reading) {
    for (const std::string& field : readingFields(*reading)) row += "," + field;
  } else {
    row += std::string(kCsvLogFields - 2, ',');
  }
  return row + "\n";
}

}  // namespace solwire::cli
