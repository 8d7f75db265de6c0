// The texts that say whose values a data window shows and how old they are,
// in English, French and Chinese (UTF-8). "{site}" stands for a site number,
// "{first}" and "{last}" for day numbers. Plain data: the rules fill them in.
#pragma once

#include "views/texts/text_row.h"  // TextRow

namespace solwire {

inline constexpr TextRow kOriginSelectedSite{"Site {site}", "Site {site}", "站位 {site}"};
inline constexpr TextRow kOriginOtherSite{"from site {site}", "du site {site}", "来自站位 {site}"};
inline constexpr TextRow kOriginNotRead{"not read", "non lu", "未读取"};
inline constexpr TextRow kOriginSample{"sample", "exemple", "样本数据"};
inline constexpr TextRow kOriginLastReadingFailed{"last reading failed", "derniere lecture echouee", "上次读取失败"};
// Between the parts of a line: site, time, what failed.
inline constexpr std::string_view kOriginSeparator = " \u00b7 ";

// The history chart: a run of days with one origin, and the legend of the
// hatched bars.
inline constexpr TextRow kOriginDays{"days {first}-{last}", "jours {first}-{last}", "第{first}-{last}天"};
inline constexpr TextRow kOriginDay{"day {first}", "jour {first}", "第{first}天"};
inline constexpr TextRow kOriginSpanSeparator{"; ", "; ", "；"};
inline constexpr TextRow kHatchedDaysLegend{"Hatched: not read from this site", "Hachure: non lu de ce site",
                                            "斜线: 非本站位读取"};

}  // namespace solwire
