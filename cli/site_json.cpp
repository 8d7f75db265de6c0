#include "cli/site_json.h"

namespace solwire::cli {

void addCurrentState(JsonObject& json, const SiteData& data) {
  const Scaling& s = data.scaling;
  const CurrentStateRecord& c = data.current;
  json.add("type_code", c.typeCode)
      .add("voltage_multiplier", s.voltageMultiplier)
      .add("charge_current_multiplier", s.chargeCurrentMultiplier)
      .add("load_current_multiplier", s.loadCurrentMultiplier)
      .add("alternate_voltage_scale", s.alternateVoltageScale)
      .add("battery_voltage_reading", c.batteryVoltageReading)
      .add("charge_current_reading", c.chargeCurrentReading)
      .add("load_current_reading", c.loadCurrentReading)
      .add("daily_max_voltage", c.dailyMaxVoltage)
      .add("daily_min_voltage", c.dailyMinVoltage)
      .add("charge_ah", c.chargeAh)
      .add("load_ah", c.loadAh)
      .add("state_code", c.stateCode);
}

void addSettings(JsonObject& json, const SiteData& data) { json.addNumbers("settings", data.settings); }

void addCalibration(JsonObject& json, const SiteData& data) {
  json.addNumbers("calibration_g", data.calibration.g).addNumbers("calibration_o", data.calibration.o);
}

void addHistoryDays(JsonObject& json, const SiteData& data, int firstDay, int lastDay) {
  std::vector<JsonObject> days;
  for (int day = firstDay; day <= lastDay && day < kHistoryDays; ++day) {
    const auto d = static_cast<std::size_t>(day);
    JsonObject entry;
    entry.add("day", day)
        .add("min_voltage", data.history.minVoltage[d])
        .add("max_voltage", data.history.maxVoltage[d])
        .add("charge_ah", data.history.chargeAh[d])
        .add("discharge_ah", data.history.dischargeAh[d]);
    days.push_back(std::move(entry));
  }
  json.addObjects("days", days);
}

void addAlarmInputs(JsonObject& json, const SiteData& data) { json.addNumbers("alarm_inputs", data.alarms.state); }

}  // namespace solwire::cli
