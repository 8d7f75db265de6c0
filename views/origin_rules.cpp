#include "views/origin_rules.h"

#include "views/texts/origin_texts.h"

namespace solwire {

namespace {

std::string siteAndTime(const TextRow& row, const RecordOrigin& origin, Language language, const TimeText& timeText) {
  return fillIn(row[language], "site", std::to_string(origin.site)) + std::string(kOriginSeparator) +
         timeText(origin.readAt);
}

// What the values are, leaving a failure aside.
std::string valuesText(const RecordOrigin& origin, int selectedSite, Language language, const TimeText& timeText) {
  switch (origin.source) {
    case RecordSource::Sample: return std::string(kOriginSample[language]);
    case RecordSource::NotRead: return std::string(kOriginNotRead[language]);
    case RecordSource::Read: break;
  }
  const TextRow& row = origin.site == selectedSite ? kOriginSelectedSite : kOriginOtherSite;
  return siteAndTime(row, origin, language, timeText);
}

}  // namespace

std::string fillIn(std::string_view text, std::string_view name, const std::string& value) {
  const std::string field = "{" + std::string(name) + "}";
  std::string out(text);
  for (auto at = out.find(field); at != std::string::npos; at = out.find(field, at + value.size()))
    out.replace(at, field.size(), value);
  return out;
}

OriginLine originLine(const RecordOrigin& origin, int selectedSite, Language language, const TimeText& timeText) {
  const RecordStanding standing = recordStanding(origin, selectedSite);
  std::string text = valuesText(origin, selectedSite, language, timeText);
  if (standing == RecordStanding::LastReadingFailed)
    text = std::string(kOriginLastReadingFailed[language]) + std::string(kOriginSeparator) + text;
  return {std::move(text), standing != RecordStanding::Current};
}

}  // namespace solwire
