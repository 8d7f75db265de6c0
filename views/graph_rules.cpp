#include "views/graph_rules.h"

#include <algorithm>
#include <tuple>

#include "views/texts/origin_texts.h"

namespace solwire {

ChartSeries chartSeries(ChartMode mode, const HistoryRecord& history, std::int32_t voltageMultiplier) {
  DayMultipliers multipliers;
  multipliers.fill(voltageMultiplier);
  return chartSeries(mode, history, multipliers);
}

ChartSeries chartSeries(ChartMode mode, const HistoryRecord& history, const DayMultipliers& voltageMultipliers) {
  ChartSeries series;
  if (mode == ChartMode::AmpHours) {
    series.firstColour = kChartBlue;
    series.secondColour = kChartYellow;
    series.unit = "Ah";
    series.divisor = 10;
    std::copy(history.chargeAh.begin(), history.chargeAh.end(), series.first.begin());
    std::copy(history.dischargeAh.begin(), history.dischargeAh.end(), series.second.begin());
    return series;
  }
  series.firstColour = kChartLime;
  series.secondColour = kChartRed;
  series.unit = "V";
  series.divisor = 100;
  for (std::size_t day = 0; day < kHistoryDays; ++day) {
    series.first[day] = std::int64_t{voltageMultipliers[day]} * history.maxVoltage[day];
    series.second[day] = std::int64_t{voltageMultipliers[day]} * history.minVoltage[day];
  }
  return series;
}

std::int64_t chartTop(const ChartSeries& series) {
  std::int64_t largest = 0;
  for (const auto* values : {&series.first, &series.second})
    largest = std::max(largest, *std::max_element(values->begin(), values->end()));
  return largest / 100 * 100 + 100;
}

std::int64_t barHeight(std::int64_t value, std::int64_t top) { return value * kFullScale / top; }

int barTopY(std::int64_t height) { return height > 0 ? kChartY0 - static_cast<int>(height) : kChartY0 - 1; }

namespace {

void addDay(ChartPicture& picture, const ChartSeries& series, int day) {
  const auto index = static_cast<std::size_t>(day);
  const int left = kChartX0 + kDayPitch * day;
  picture.bars.push_back(
      {left + 2, barTopY(barHeight(series.first[index], picture.top)), left + 9, kChartY0, series.firstColour});
  picture.bars.push_back(
      {left + 9, barTopY(barHeight(series.second[index], picture.top)), left + 17, kChartY0, series.secondColour});
  // One-digit day numbers sit further right, so that all are centred alike.
  picture.dayLabels.push_back({left + (day < 9 ? 7 : 4), kChartY0 + 8, std::to_string(day + 1)});
}

void addAxesAndGrid(ChartPicture& picture, int divisor) {
  picture.axes = {{kChartX0 - 4, kChartY0, kChartX0 + 580, kChartY0}, {kChartX0, kChartY0, kChartX0, kChartY0 - 340}};
  picture.zeroLabel = {kChartX0 - 32, kChartY0 - 10, "0"};
  const std::int64_t step = picture.top / divisor;
  for (int k = 1; k <= kGridLines; ++k) {
    const int y = kChartY0 - kGridSpacing * k;
    picture.gridLines.push_back({kChartX0 - 4, y, kChartX0 + 580, y});
    picture.gridLabels.push_back({kChartX0 - 35, y - 8, std::to_string(k * step)});
  }
}

}  // namespace

ChartPicture chartPicture(ChartMode mode, const HistoryRecord& history, std::int32_t voltageMultiplier) {
  DayMultipliers multipliers;
  multipliers.fill(voltageMultiplier);
  return chartPicture(mode, history, multipliers);
}

ChartPicture chartPicture(ChartMode mode, const HistoryRecord& history, const DayMultipliers& voltageMultipliers) {
  const ChartSeries series = chartSeries(mode, history, voltageMultipliers);
  ChartPicture picture;
  picture.clearArea = {kChartX0 - 40, kChartY0 - 330, kChartX0 + 650, kChartY0, {255, 255, 255}};
  picture.firstColour = series.firstColour;
  picture.secondColour = series.secondColour;
  picture.unit = series.unit;
  picture.top = chartTop(series);
  for (int day = 0; day < kHistoryDays; ++day) addDay(picture, series, day);
  addAxesAndGrid(picture, series.divisor);
  return picture;
}

}  // namespace solwire

// ---- Where the days came from ---------------------------------------------

namespace solwire {

namespace {

bool sameRun(const RecordOrigin& a, const RecordOrigin& b, int selectedSite) {
  return recordStanding(a, selectedSite) == recordStanding(b, selectedSite) && a.source == b.source &&
         a.site == b.site && a.failedSite == b.failedSite;
}

auto timeKey(const LocalTime& t) { return std::tie(t.year, t.month, t.day, t.hour, t.minute, t.second); }

std::string daysText(const HistorySpan& span, Language language) {
  const TextRow& row = span.firstDay == span.lastDay ? kOriginDay : kOriginDays;
  return fillIn(fillIn(row[language], "first", std::to_string(span.firstDay)), "last", std::to_string(span.lastDay));
}

}  // namespace

std::array<bool, kHistoryDays> markedDays(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite) {
  std::array<bool, kHistoryDays> marked{};
  for (std::size_t day = 0; day < days.size(); ++day)
    marked[day] = recordStanding(days[day], selectedSite) != RecordStanding::Current;
  return marked;
}

void hatchMarkedDays(ChartPicture& picture, const std::array<bool, kHistoryDays>& marked) {
  for (std::size_t bar = 0; bar < picture.bars.size(); ++bar)
    picture.bars[bar].hatched = bar / 2 < marked.size() && marked[bar / 2];
}

std::vector<HistorySpan> historySpans(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite) {
  std::vector<HistorySpan> spans;
  for (int day = 0; day < kHistoryDays; ++day) {
    const RecordOrigin& origin = days[static_cast<std::size_t>(day)];
    if (spans.empty() || !sameRun(spans.back().origin, origin, selectedSite)) {
      spans.push_back({day + 1, day + 1, origin});
      continue;
    }
    HistorySpan& run = spans.back();
    run.lastDay = day + 1;
    if (timeKey(origin.readAt) > timeKey(run.origin.readAt)) run.origin.readAt = origin.readAt;
  }
  return spans;
}

OriginLine historyOriginLine(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite, Language language,
                             const TimeText& timeText) {
  const std::vector<HistorySpan> spans = historySpans(days, selectedSite);
  if (spans.size() == 1) return originLine(spans.front().origin, selectedSite, language, timeText);
  OriginLine line;
  for (const HistorySpan& span : spans) {
    if (!line.text.empty()) line.text += kOriginSpanSeparator[language];
    line.text += daysText(span, language) + ": " + originLine(span.origin, selectedSite, language, timeText).text;
  }
  const auto marked = markedDays(days, selectedSite);
  line.marked = std::find(marked.begin(), marked.end(), true) != marked.end();
  return line;
}

}  // namespace solwire
