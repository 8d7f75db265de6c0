#include "views/texts/graph_texts.h"

namespace solwire {

namespace {

// Rows in the order of GraphText.
constexpr std::array<SizedText, 10> kGraphTexts{{
    {{"LOGGED DATA", "MEMOIRE DATA", "历史数据"}, {12, 12, 14}},
    {{"Day", "Jour", "天"}, {10, 10, 12}},
    {{"History Data", "Historie", "被记存的数据"}, {12, 12, 14}},
    {{"Charge/Discharge Ah", "Charge/Decharge Ah", "充电 / 放电 Ah"}, {9, 9, 12}},
    {{"Voltage Max/Min", "Tension Max/Min", "最大/最小电压"}, {9, 9, 12}},
    {{"Wait For Transfer", "Attendre pour le Communication", "等待正在传送"}, {16, 16, 18}},
    {{"Charge Ah", "Chargement Ah", "充电 Ah"}, {9, 9, 12}},
    {{"Discharge Ah", "Dechargement Ah", "放电 Ah"}, {9, 9, 12}},
    {{"Voltage Maximum", "Tension Maximum", "最大电压"}, {9, 9, 12}},
    {{"Voltage Minimum", "Tension Minimum", "最小电压"}, {9, 9, 12}},
}};

}  // namespace

const SizedText& graphText(GraphText which) { return kGraphTexts[static_cast<std::size_t>(which)]; }

}  // namespace solwire
