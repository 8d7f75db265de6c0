// The texts of the alarm panel and the alarm assignment window in English,
// French and Chinese (UTF-8), exactly as the windows show them, and the font
// sizes the panel uses per language. Plain data: nothing here knows widgets.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "protocol/status_messages.h"
#include "views/texts/text_row.h"

namespace solwire {

// Alarm panel.
inline constexpr TextRow kAlarmCaption{"Alarms", "Alarme", "告警"};
inline constexpr TextRow kAlarmStatusLabel{"Status", "Status", "状态"};  // Label1
inline constexpr TextRow kAlarmHelpLeftClick{" Left Click - Toggle Flashing", " Click Gauche - Changer Vacillation",
                                             " 左边按钮,报警指示灯熄灭"};  // Label2
inline constexpr TextRow kAlarmHelpRightClick{" Right Click - Button Editor", " Click Droit - Bouton Editeur",
                                              " 右边按钮,选择相符的图象"};  // Label3
inline constexpr TextRow kAlarmEnableItem{"Enable", "Enable", "Enable"};
inline constexpr TextRow kAlarmAssignItem{"Assign", "Assign", "Assign"};
inline constexpr TextRow kAlarmEnableHint{"Enable/Disable Flashing", "Enable/Disable Flashing", " "};
inline constexpr TextRow kAlarmAssignHint{"Change Alarm Image", "Change Alarm Image", " "};
// Follows the picture's own hint on each alarm button.
inline constexpr TextRow kAlarmButtonHint{"left click: stop flashing; right click: enable or change the picture",
                                          "clic gauche : arrêter le clignotement ; clic droit : activer ou changer "
                                          "l'image",
                                          "左键：停止闪烁；右键：启用或更换图象"};

// Point sizes on the alarm panel, by language: the status caption, the two
// help lines, and the window itself.
inline constexpr std::array<int, 3> kAlarmStatusLabelSizes{8, 9, 10};
inline constexpr std::array<int, 3> kAlarmHelpLabelSizes{10, 10, 12};
inline constexpr std::array<int, 3> kAlarmWindowSizes{12, 12, 14};

// Alarm assignment window.
inline constexpr TextRow kAssignCaption{" Change Alarm Image", " Change Alarm Image", " 选择相符的图象"};
inline constexpr TextRow kAssignSelectImage{"Select the image for the alarm", "Choisir d'image pour alarme",
                                            "选择相符的图象"};  // Label1
inline constexpr TextRow kAssignDialUp{" Dial Up Alarm", "Dial Up Alarm", "  拨号"};  // Alarmdiallab
inline constexpr TextRow kAssignSound{" Alarm Sound", " Son de Alarme", " 告警蜂鸣声"};  // Label2
inline constexpr TextRow kAssignUpdateEvery{" Update Alarm Every", " Update Alarm Every",
                                            " 阅读告警器状态  每"};  // Updatetext

// The hint naming alarm picture 0..25 (an index outside gives an empty text).
std::string alarmPictureHint(int picture, Language language);

// The text shown beside the alarm rate control for rate index 0..10: a space,
// then "None" or the period ("2 Min", "24 Hour"); an index outside 0..10 is
// shown as "None".
std::string alarmRateText(int rateIndex, Language language);

}  // namespace solwire
