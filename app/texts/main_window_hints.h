// Hints for the main window's controls that its text table gives none: the
// exit panel's buttons and version, the language group's choices and font
// button, the log panel's switch and countdown, and the port panel itself.
// Applied after the table, in the same way (tip and status panel 0).
#pragma once

#include <array>
#include <string_view>

#include "app/texts/main_window_texts.h"

namespace solwire {

struct ControlHint {
  std::string_view control;
  TextRow text;
};

inline constexpr std::array kMainWindowHints = std::to_array<ControlHint>({
    {"exityesBitBtn", {"Yes - close the program", "Oui - fermer le programme", "是 - 关闭程序"}},
    {"exitnoBitBtn", {"No - keep the program running", "Non - continuer", "否 - 继续运行"}},
    {"Versionlab", {"Program version", "Version du programme", "程序版本"}},
    {"englishselect", {"English", "Anglais", "英语"}},
    {"britflagsel", {"English", "Anglais", "英语"}},
    {"frenchselect", {"French", "Français", "法语"}},
    {"frenchflagsel", {"French", "Français", "法语"}},
    {"chineseselect", {"Chinese", "Chinois", "中文"}},
    {"chinaflagsel", {"Chinese", "Chinois", "中文"}},
    {"fontselbut", {"Font for this language", "Police de cette langue", "本语言的字体"}},
    {"Samplecheck", {"Enable periodic data logging", "Relevé périodique", "允许定期记录数据"}},
    {"Ratelab", {"Hours between Data Samples", "Hours between Data Samples", "数据抽样的间隔小时"}},
    {"Waittimelab", {"Hours until the next sample", "Heures avant le relevé", "距下次抽样的小时数"}},
    {"companel", {"Port and modem settings", "Ports et modem", "串行口和MODEM设置"}},
});

}  // namespace solwire
