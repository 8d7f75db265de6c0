// The history chart as plain geometry: which series are drawn in which
// colours, the scale, every bar, label and line at its pixel position in the
// window. The window only paints what this gives.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/status_messages.h"
#include "protocol/site_data.h"
#include "views/origin_rules.h"
#include "store/rich_text_document.h"  // Rgb, the colour type the program shares

namespace solwire {

inline constexpr Rgb kChartBlue{0, 0, 255};
inline constexpr Rgb kChartYellow{255, 255, 0};
inline constexpr Rgb kChartLime{0, 255, 0};
inline constexpr Rgb kChartRed{255, 0, 0};
inline constexpr Rgb kChartMaroon{128, 0, 0};  // the chart's texts
inline constexpr Rgb kChartBlack{0, 0, 0};     // axes and grid

// Chart origin and sizes in window pixels.
inline constexpr int kChartX0 = 40;
inline constexpr int kChartY0 = 380;
inline constexpr int kDayPitch = 18;
inline constexpr int kFullScale = 320;
inline constexpr int kGridLines = 10;
inline constexpr int kGridSpacing = 32;
inline constexpr int kChartTextPointSize = 8;

enum class ChartMode { AmpHours, Voltage };

// The two series of a chart: charge and discharge Ah, or the day's maximum
// and minimum voltage (tenths of a volt, class multiplier applied).
struct ChartSeries {
  Rgb firstColour;
  Rgb secondColour;
  std::string unit;  // "Ah" or "V"
  int divisor = 10;  // full-scale value per grid number
  std::array<std::int64_t, kHistoryDays> first{};
  std::array<std::int64_t, kHistoryDays> second{};
};

// Each day's voltages are scaled with the class of the site it was read from.
using DayMultipliers = std::array<std::int32_t, kHistoryDays>;
ChartSeries chartSeries(ChartMode mode, const HistoryRecord& history, const DayMultipliers& voltageMultipliers);
// Every day of one class.
ChartSeries chartSeries(ChartMode mode, const HistoryRecord& history, std::int32_t voltageMultiplier);

// The next multiple of 100 strictly above the largest value (and above 0).
std::int64_t chartTop(const ChartSeries& series);
// Bar height in pixels for a value on a scale of `top`.
std::int64_t barHeight(std::int64_t value, std::int64_t top);
// The top edge of a bar of `height`: an empty or negative day still shows a
// one-pixel bar.
int barTopY(std::int64_t height);

// A filled rectangle; right and bottom are the first pixels outside it.
struct ChartRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  Rgb colour;
  bool hatched = false;  // a day that is not the selected site's as last read
  bool operator==(const ChartRect&) const = default;
};

struct ChartLine {
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
  bool operator==(const ChartLine&) const = default;
};

// Text whose top-left corner is at x, y.
struct ChartText {
  int x = 0;
  int y = 0;
  std::string text;
  bool operator==(const ChartText&) const = default;
};

struct ChartPicture {
  ChartRect clearArea;  // white, before anything else
  Rgb firstColour;      // also the legend swatches
  Rgb secondColour;
  std::string unit;
  std::int64_t top = 100;
  std::vector<ChartRect> bars;  // per day: first series, then second
  std::vector<ChartText> dayLabels;
  std::vector<ChartLine> axes;
  ChartText zeroLabel;
  std::vector<ChartLine> gridLines;
  std::vector<ChartText> gridLabels;
};

ChartPicture chartPicture(ChartMode mode, const HistoryRecord& history, const DayMultipliers& voltageMultipliers);
ChartPicture chartPicture(ChartMode mode, const HistoryRecord& history, std::int32_t voltageMultiplier);

// ---- Where the days came from ---------------------------------------------

// Days (0..31) whose values are not the selected site's as last read: another
// site's, the sample, or not read by a transfer that broke off.
std::array<bool, kHistoryDays> markedDays(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite);

// Hatches both bars of every marked day.
void hatchMarkedDays(ChartPicture& picture, const std::array<bool, kHistoryDays>& marked);

// A run of consecutive days (numbered 1..32 as the chart labels them) whose
// values came alike: same standing, same site, same failure. `origin` is the
// first day's, with the latest read time of the run.
struct HistorySpan {
  int firstDay = 1;
  int lastDay = 1;
  RecordOrigin origin;
};
std::vector<HistorySpan> historySpans(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite);

// The line under the chart: one origin for all days, or each run of days
// with its own ("days 1-12: from site 0 · 14:05:03; days 13-32: sample").
OriginLine historyOriginLine(const std::array<RecordOrigin, kHistoryDays>& days, int selectedSite, Language language,
                             const TimeText& timeText);

}  // namespace solwire
