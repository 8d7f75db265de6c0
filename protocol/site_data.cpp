#include "protocol/site_data.h"

namespace solwire {

HistoryRecord HistoryRecord::sampleValues() {
  HistoryRecord h;
  h.chargeAh = {720, 630, 750, 235, 1020, 790, 120, 849, 250, 210, 560, 890, 850, 470, 560, 720,
                650, 710, 730, 320, 740,  124, 490, 850, 830, 764, 460, 590, 750, 820, 690, 720};
  h.dischargeAh = {560, 650, 450, 430, 530, 410, 620, 467, 403, 530, 435, 647, 612, 570, 460, 529,
                   610, 532, 430, 479, 627, 594, 467, 611, 567, 494, 480, 578, 615, 567, 610, 455};
  h.maxVoltage = {145, 147, 149, 141, 152, 150, 139, 150, 143, 135, 145, 147, 142, 143, 139, 142,
                  144, 142, 140, 136, 147, 134, 137, 141, 147, 151, 142, 143, 145, 147, 144, 147};
  h.minVoltage = {125, 127, 123, 122, 119, 117, 124, 126, 121, 115, 115, 121, 125, 120, 122, 123,
                  124, 123, 124, 126, 119, 122, 122, 123, 124, 125, 124, 122, 120, 118, 120, 123};
  return h;
}

SiteData startValues(std::int32_t voltageMultiplier, std::int32_t chargeCurrentMultiplier) {
  SiteData data;
  data.scaling.voltageMultiplier = voltageMultiplier;
  data.scaling.chargeCurrentMultiplier = chargeCurrentMultiplier;
  return data;
}

std::int32_t voltageMultiplierOf(const RecordOrigin& origin, const SiteData& data) {
  return origin.voltageMultiplier > 0 ? origin.voltageMultiplier : data.scaling.voltageMultiplier;
}

std::array<std::int32_t, kHistoryDays> historyVoltageMultipliers(const SiteData& data) {
  std::array<std::int32_t, kHistoryDays> multipliers{};
  for (std::size_t day = 0; day < multipliers.size(); ++day)
    multipliers[day] = voltageMultiplierOf(data.origins.historyDays[day], data);
  return multipliers;
}

}  // namespace solwire
