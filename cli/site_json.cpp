#include "cli/site_json.h"

namespace solwire::cli {

void addCurrentState(Json& json, const SiteData& data) {
  const Scaling& s = data.scaling;
  const CurrentStateRecord& c = data.current;
  json["type_code"] = c.typeCode;
  json["voltage_multiplier"] = s.voltageMultiplier;
  json["charge_current_multiplier"] = s.chargeCurrentMultiplier;
  json["load_current_multiplier"] = s.loadCurrentMultiplier;
  json["alternate_voltage_scale"] = s.alternateVoltageScale;
  json["battery_voltage_reading"] = c.batteryVoltageReading;
  json["charge_current_reading"] = c.chargeCurrentReading;
  json["load_current_reading"] = c.loadCurrentReading;
  json["daily_max_voltage"] = c.dailyMaxVoltage;
  json["daily_min_voltage"] = c.dailyMinVoltage;
  json["charge_ah"] = c.chargeAh;
  json["load_ah"] = c.loadAh;
  json["state_code"] = c.stateCode;
}

void addSettings(Json& json, const SiteData& data) { json["settings"] = data.settings; }

void addCalibration(Json& json, const SiteData& data) {
  json["calibration_g"] = data.calibration.g;
  json["calibration_o"] = data.calibration.o;
}

void addHistoryDays(Json& json, const SiteData& data, int firstDay, int lastDay) {
  Json days = Json::array();
  for (int day = firstDay; day <= lastDay && day < kHistoryDays; ++day) {
    const auto d = static_cast<std::size_t>(day);
    days.push_back({{"day", day},
                    {"min_voltage", data.history.minVoltage[d]},
                    {"max_voltage", data.history.maxVoltage[d]},
                    {"charge_ah", data.history.chargeAh[d]},
                    {"discharge_ah", data.history.dischargeAh[d]}});
  }
  json["days"] = std::move(days);
}

void addAlarmInputs(Json& json, const SiteData& data) { json["alarm_inputs"] = data.alarms.state; }

}  // namespace solwire::cli
