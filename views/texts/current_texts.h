// The current-state window's texts in English, French and Chinese (UTF-8).
// Plain data: the window applies them.
#pragma once

#include "views/texts/text_row.h"

namespace solwire {

enum class CurrentText { Caption, StateLabel, WaitText };

// The text of a row; a language index outside 0..2 gives English.
const TextRow& currentText(CurrentText which);

// The hints of the values, shown when the mouse rests on them.
inline constexpr TextRow kBatteryVoltageHint{"Battery voltage", "Tension de la batterie", "蓄电池电压"};
inline constexpr TextRow kChargeCurrentHint{"Charge current", "Courant de charge", "充电电流"};
inline constexpr TextRow kLoadCurrentHint{"Load current", "Courant de la charge", "负载电流"};
inline constexpr TextRow kChargeTodayHint{"Charge today (Ah)", "Charge du jour (Ah)", "今日充电量 (Ah)"};
inline constexpr TextRow kDischargeTodayHint{"Discharge today (Ah)", "Décharge du jour (Ah)", "今日放电量 (Ah)"};
inline constexpr TextRow kVoltageRangeHint{"Today's battery voltage, minimum <> maximum",
                                           "Tension de la batterie du jour, minimum <> maximum",
                                           "今日蓄电池电压 最小 <> 最大"};
inline constexpr TextRow kSystemVoltageHint{"System voltage", "Tension du système", "系统电压"};
inline constexpr TextRow kStateHint{"Regulator state", "État du régulateur", "控制器状态"};

}  // namespace solwire
