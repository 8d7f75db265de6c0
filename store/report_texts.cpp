#include "store/report_texts.h"

#include <cstddef>

namespace solwire {

namespace {

constexpr std::array<ReportLabels, 3> kLabels{{
    {10, "KVRD DATA", "Site Number ", "State", "Battery Voltage  ", "Max", "Min", "Charge Current",
     "Charge    ", "Load Current  ", "Discharge ", "LOGGED DATA",
     {"Day", "Charge    ", "Discharge ", "Voltage Max. ", "Voltage Min. "}, "Control Settings",
     "Calibration"},
    {10, "KVRD DATA", "Nombre de Site", "Etat", "Tension de Pile  ", "Max", "Min", "Courant Recharger",
     "Chargement", "Courant Utilite  ", "Dechargement", "MEMOIRE DATA",
     {"Jour", "Chargement  ", "Dechargement", "Tension Max. ", "Tension Min. "}, "Controle poses",
     "Calibratione"},
    {13, "KVRD 数据", "设置", "状态", "电池电压", "最大", "最小", "充电电流", "每日充电", "负载电流",
     "每日放电", "被记存的数据", {"天", "每日充电", "每日放电", "最大电压", "最小电压"}, "控制设置",
     "校准设置"},
}};

constexpr ReportText kVolts{"V", "V", "V"};
constexpr ReportText kNoUnit{"", "", ""};

constexpr std::array<ReportSettingRow, kReportSettingRows> kSettingRows{{
    {{"Boost Maximum Voltage", "Tension maximum augmenter", "最高提升电压"}, kVolts},
    {{"Boost Taper Voltage", "Tension commencer reduction", "提升梯度电压"}, kVolts},
    {{"Number of Banks Used", "Nombre de banks", "通道使用数  "}, kNoUnit},
    {{"Float Maximum Voltage", "Tension maximum float", "最大浮充电压 "}, kVolts},
    {{"Float Minimum Voltage", "Tension minimum float", "最小浮充电压 "}, kVolts},
    {{"Boost Cut-in Voltage", "Tension renvoyer de augmenter", "浮充转提升电压"}, kVolts},
    {{"Absolute Maximum Voltage", "Tension maximum", "最高电压极限"}, kVolts},
    {{"Temperature Comp. /cell", "Temperature comp. /cell", "温度补偿设于"}, {"mV/oC", "mV/oC", "mV/oC"}},
    {{"State Change Delay", "Condition changer delai", "状态改变延时"}, {"min", "min", "分"}},
    {{"Display Temperature Setting", "LCD Temperature", "显示器温度设置"}, {"oC", "oC", "oC"}},
    {{"Display Contrast", "LCD contraste", "调显示器对比度"}, kNoUnit},
    {{"Load Disconnect Voltage", "Tension de utilite desunir", "低电压负载断开路"}, kVolts},
    {{"Load Reconnect Voltage", "Tension de utilite recommencer", "负载再接通电压"}, kVolts},
    {{"Delay before disconnect", "Delai de desunir", "断开延时"}, {"sec", "sec", "秒"}},
    {{"Low Battery Alarm on at", "Pile tension minimum alarme", "电流低电压警告"}, kVolts},
    {{"Communication Baud Rate", "Communication vitesse", "通信波特速率"}, {"baud", "baud", "波特"}},
}};

constexpr std::array<ReportText, kCalibrationChannels> kCalibrationLabels{{
    {"Display Temperature", "Temperature de LCD ", "显示温度"},
    {"Battery Temperature", "Temperature de Pile", "电池温度"},
    {"Solar Voltage Bank A", "Tension Bank A    ", "电压通道A"},
    {"Solar Voltage Bank C", "Tension Bank C    ", "电压通道C"},
    {"Load Voltage       ", "Tension de Utilite ", "负载电压"},
    {"Load Current       ", "Courant Utilite    ", "负载电流"},
    {"Charge Current     ", "Courant Recharger  ", "充电电流"},
    {"Battery Voltage    ", "Tension de Pile    ", "电池电压"},
}};

std::size_t languageColumn(Language language) { return static_cast<std::size_t>(language); }

}  // namespace

const ReportLabels& reportLabels(Language language) { return kLabels[languageColumn(language)]; }

const ReportSettingRow& reportSettingRow(int row) {
  const int index = (row >= 1 && row <= kReportSettingRows) ? row - 1 : 0;
  return kSettingRows[static_cast<std::size_t>(index)];
}

std::string_view reportCalibrationLabel(int channel, Language language) {
  const int index = (channel >= 0 && channel < kCalibrationChannels) ? channel : 0;
  return kCalibrationLabels[static_cast<std::size_t>(index)][languageColumn(language)];
}

}  // namespace solwire
