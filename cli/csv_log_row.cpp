#include "cli/csv_log_row.h"

#include <array>
#include <cstdint>

#include "protocol/scaled_values.h"
#include "protocol/value_format.h"

namespace solwire::cli {

namespace {

std::array<std::string, kCsvLogFields - 2> readingFields(const LogReading& reading) {
  const Scaling& s = reading.scaling;
  const CurrentStateRecord& c = reading.current;
  return {
      oneDecimal(batteryVolts(s, c)),
      oneDecimal(chargeAmperes(s, c)),
      oneDecimal(loadAmperes(s, c)),
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
