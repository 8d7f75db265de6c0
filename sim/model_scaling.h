// What a regulator's type code says about how it scales its live readings:
// the battery voltage class, the divisors of its current readings and, for
// some models, an inverted battery voltage scale.
#pragma once

#include <cstdint>

namespace solwire::sim {

struct ModelScaling {
  int voltageClass = 1;  // battery voltage in units of 12 V: 1, 2 or 4
  int chargeScale = 1;   // charge current reading = amperes x 640 / chargeScale
  int loadScale = 1;     // load current reading = amperes x 640 / loadScale
  // The battery voltage reading is (97.4 - volts) x 640 instead of volts x 640.
  bool invertedVoltage = false;
};

// For a type code 0..31.
ModelScaling scalingOf(int typeCode);

// Readings clamp to the 16-bit range of the line.
std::uint16_t batteryVoltageReading(double volts, const ModelScaling& scaling);
std::uint16_t currentReading(double amperes, int scale);

}  // namespace solwire::sim
