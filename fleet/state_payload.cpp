#include "fleet/state_payload.h"

#include <charconv>

#include "protocol/scaled_values.h"
#include "protocol/value_format.h"

namespace solwire::fleet {

namespace {

// The number the window writes: truncated to one decimal by the same rule.
double asShown(double value) {
  const std::string text = oneDecimal(value);
  double shown = 0;
  std::from_chars(text.data(), text.data() + text.size(), shown);
  return shown;
}

double dailyVolts(const Scaling& scaling, std::int32_t value) {
  return dailyVoltageTenths(scaling.voltageMultiplier, value) / 10.0;
}

void addValues(Json& json, const SiteReading& reading) {
  const Scaling& s = reading.scaling;
  const CurrentStateRecord& c = reading.current;
  json["battery_voltage"] = asShown(batteryVolts(s, c));
  json["charge_current"] = asShown(chargeAmperes(s, c));
  json["load_current"] = asShown(loadAmperes(s, c));
  // The real counts: the window's 9999 is a cap for its label, not a value.
  json["charge_ah"] = c.chargeAh;
  json["load_ah"] = c.loadAh;
  json["daily_max_voltage"] = dailyVolts(s, c.dailyMaxVoltage);
  json["daily_min_voltage"] = dailyVolts(s, c.dailyMinVoltage);
  json["state_code"] = c.stateCode;
  json["voltage_class"] = voltageClass(s);
  json["type_code"] = c.typeCode;
}

}  // namespace

AlarmInputs activeAlarmInputs(const AlarmRecord& alarms) {
  AlarmInputs active{};
  for (std::size_t i = 0; i < active.size(); ++i) active[i] = alarms.state[i] != 0;
  return active;
}

int voltageClass(const Scaling& scaling) { return 12 * scaling.voltageMultiplier; }

Json statePayload(const SiteReading& reading, const std::optional<std::string>& lastSeen) {
  Json json;
  json["site"] = reading.site;
  json["time"] = reading.time;
  json["ok"] = reading.ok;
  if (lastSeen) json["last_seen"] = *lastSeen;
  if (!reading.ok) {
    json["error"] = reading.error;
    return json;
  }
  addValues(json, reading);
  if (reading.alarms) json["alarms"] = *reading.alarms;
  return json;
}

}  // namespace solwire::fleet
