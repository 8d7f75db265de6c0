#include "views/texts/alarm_texts.h"

namespace solwire {

namespace {

constexpr int kNumberedPictureFirst = 1;
constexpr int kNumberedPictureLast = 13;

// Pictures 0 and 14..25; 1..13 are numbered and composed below.
constexpr std::array<TextRow, 26> kPictureHints{{
    {"Alarm symbol", "Symbol de Alarme", ""},
    {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    {"Low Battery Voltage Alarm", "Pile tension minimum alarme", "Low Battery Alarm"},
    {"High Battery Voltage Alarm", "Pile haute tension alarme", "High Battery Alarm"},
    {"Generator Running", "Generateur", "Generator Running"},
    {"Logic Failure", "Logic Failure", "Logic Failure"},
    {"Load Failure", "Failure de Utilite", "Load Failure"},
    {"Solar Failure", "Failure Solar", "Solar Failure"},
    {"Door Alarm", "Port Alarme", "Door Alarm"},
    {"Fire Alarm", "Avertisseur d'incendie", "Fire Alarm"},
    {"Smoke Alarm", "Alarm de fumee", "Smoke Alarm"},
    {"Blank", "Blanc", " "},
    {"Blank", "Blanc", " "},
    {"Blank", "Blanc", " "},
}};

constexpr TextRow kNumberedPicture{"Alarm Number ", "Alarme Nombre ", ""};

constexpr TextRow kNone{"None", "Rien", "没有应用"};
constexpr TextRow kMinute{"Min", "Min", "分钟"};
constexpr TextRow kHour{"Hour", "Heure", "小时"};

struct RatePeriod {
  std::string_view count;  // empty for "None"
  const TextRow* unit;
};

constexpr std::array<RatePeriod, 11> kRatePeriods{{
    {"", &kNone},
    {"2 ", &kMinute},
    {"5 ", &kMinute},
    {"10 ", &kMinute},
    {"20 ", &kMinute},
    {"30 ", &kMinute},
    {"1 ", &kHour},
    {"2 ", &kHour},
    {"4 ", &kHour},
    {"8 ", &kHour},
    {"24 ", &kHour},
}};

}  // namespace

std::string alarmPictureHint(int picture, Language language) {
  if (picture < 0 || picture >= static_cast<int>(kPictureHints.size())) return {};
  if (picture >= kNumberedPictureFirst && picture <= kNumberedPictureLast)
    return std::string(kNumberedPicture[language]) + std::to_string(picture);
  return std::string(kPictureHints[static_cast<std::size_t>(picture)][language]);
}

std::string alarmRateText(int rateIndex, Language language) {
  const bool known = rateIndex >= 0 && rateIndex < static_cast<int>(kRatePeriods.size());
  const RatePeriod& period = kRatePeriods[known ? static_cast<std::size_t>(rateIndex) : 0];
  return " " + std::string(period.count) + std::string((*period.unit)[language]);
}

}  // namespace solwire
