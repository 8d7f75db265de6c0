#include "sim/model_scaling.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace solwire::sim {

namespace {

constexpr double kCountsPerVolt = 640.0;
constexpr double kCountsPerAmpere = 640.0;
// The inverted scale counts down from this voltage.
constexpr double kInvertedScaleTop = 97.4;

bool isOneOf(int code, std::initializer_list<int> codes) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool isBetween(int code, int low, int high) { return code >= low && code <= high; }

int voltageClassOf(int code) {
  if (isOneOf(code, {1, 4, 14, 17, 21, 22, 27, 28})) return 2;
  if (isOneOf(code, {2, 5, 18, 23, 24, 29, 30})) return 4;
  return 1;
}

int chargeScaleOf(int code) {
  if (code < 6) return 4;
  if (isBetween(code, 15, 18) || isOneOf(code, {26, 28, 30})) return 2;
  return 1;
}

bool invertsVoltage(int code) {
  return isOneOf(code, {3, 4, 5, 14}) || isBetween(code, 25, 30);
}

std::uint16_t toReading(double counts) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(counts), 0L, 65535L));
}

}  // namespace

ModelScaling scalingOf(int typeCode) {
  return ModelScaling{voltageClassOf(typeCode), chargeScaleOf(typeCode), typeCode == 14 ? 4 : 1,
                      invertsVoltage(typeCode)};
}

std::uint16_t batteryVoltageReading(double volts, const ModelScaling& scaling) {
  const double shown = scaling.invertedVoltage ? kInvertedScaleTop - volts : volts;
  return toReading(shown * kCountsPerVolt);
}

std::uint16_t currentReading(double amperes, int scale) {
  return toReading(amperes * kCountsPerAmpere / std::max(scale, 1));
}

}  // namespace solwire::sim
