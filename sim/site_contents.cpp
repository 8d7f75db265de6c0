#include "sim/site_contents.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/seeded_random.h"

namespace solwire::sim {

namespace {

// A byte of `high` bits over `low` bits, as the regulator packs two settings.
std::uint8_t packed(int high, int lowBits, int low) {
  return static_cast<std::uint8_t>((high << lowBits) | low);
}

// Two fields drawn high first, then low. The draws are separate statements:
// as arguments of one call their order would be up to the compiler, and the
// same seed would give different sites in different builds.
std::uint8_t packedDraw(SeededRandom& random, int highLow, int highHigh, int lowBits, int lowLow,
                        int lowHigh) {
  const int high = random.between(highLow, highHigh);
  const int low = random.between(lowLow, lowHigh);
  return packed(high, lowBits, low);
}

std::uint8_t byteBetween(SeededRandom& random, int low, int high) {
  return static_cast<std::uint8_t>(random.between(low, high));
}

void fillCalibration(Memory& memory, SeededRandom& random) {
  for (int channel = 0; channel < kCalibrationBytes / 2; ++channel) {
    memory[static_cast<std::size_t>(2 * channel)] = byteBetween(random, 0x60, 0xA0);      // G
    memory[static_cast<std::size_t>(2 * channel + 1)] = byteBetween(random, 0x00, 0x30);  // O
  }
}

// Settings at 16..31; voltages in tenths of a volt per 12 V.
void fillSettings(Memory& memory, SeededRandom& random) {
  const int boostMaximum = random.between(140, 150);
  const int floatMaximum = random.between(134, 139);
  memory[16] = static_cast<std::uint8_t>(boostMaximum);
  memory[17] = byteBetween(random, 136, boostMaximum);                       // boost taper
  memory[18] = packedDraw(random, 5, 30, 2, 0, 3);                          // delay, banks - 1
  memory[19] = static_cast<std::uint8_t>(floatMaximum);
  memory[20] = byteBetween(random, 128, floatMaximum - 2);                   // float minimum
  memory[21] = byteBetween(random, 120, 126);                                // boost cut-in
  memory[22] = packedDraw(random, 2, 5, 5, 18, 28);                         // comp, display temp
  memory[23] = byteBetween(random, 40, 120);                                 // contrast
  memory[24] = byteBetween(random, 108, 114);                                // load disconnect
  memory[25] = byteBetween(random, 122, 130);                                // load reconnect
  memory[26] = byteBetween(random, 10, 60);                                  // disconnect delay
  memory[27] = byteBetween(random, 115, 120);                                // low battery alarm
  memory[28] = packedDraw(random, 2, 4, 5, 0, 31);                          // baud, spare bits
  memory[29] = byteBetween(random, boostMaximum + 5, 170);                   // absolute maximum
  memory[30] = byteBetween(random, 0, 255);
  memory[31] = byteBetween(random, 0, 255);
}

SolarProfile plausibleProfile(SeededRandom& random) {
  SolarProfile profile;
  profile.arrayPeakAmps = random.between(15, 60);
  profile.baseLoadAmps = random.between(10, 60) / 10.0;
  profile.eveningLoadAmps = random.between(5, 40) / 10.0;
  profile.restVoltage = random.between(121, 125);
  profile.weatherSeed = random.next();
  return profile;
}

HistoryDay plausibleDay(SeededRandom& random, const SolarProfile& profile) {
  const double sunnyDayAh = profile.arrayPeakAmps * 24.0 / std::numbers::pi;
  const double cloud = 0.4 + 0.6 * random.unit();
  const double loadAh = profile.baseLoadAmps * 24.0 + profile.eveningLoadAmps * 5.0;
  HistoryDay day;
  day.minVoltage = byteBetween(random, 115, 127);
  day.maxVoltage = byteBetween(random, 134, 152);
  day.chargeAh = static_cast<std::uint16_t>(std::lround(sunnyDayAh * cloud));
  day.dischargeAh = static_cast<std::uint16_t>(std::lround(loadAh * (0.85 + 0.3 * random.unit())));
  return day;
}

AlarmInputs plausibleAlarms(SeededRandom& random) {
  AlarmInputs alarms{};
  for (bool& input : alarms) input = random.between(0, 4) == 0;
  alarms[static_cast<std::size_t>(random.between(0, kAlarmInputCount - 1))] = true;
  return alarms;
}

}  // namespace

SiteContents plausibleContents(std::uint64_t seed) {
  SeededRandom random(seed);
  SiteContents contents;
  fillCalibration(contents.memory, random);
  fillSettings(contents.memory, random);
  contents.profile = plausibleProfile(random);
  for (HistoryDay& day : contents.history) day = plausibleDay(random, contents.profile);
  contents.alarms = plausibleAlarms(random);
  return contents;
}

}  // namespace solwire::sim
