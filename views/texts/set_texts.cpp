#include "views/texts/set_texts.h"

#include <array>

namespace solwire {

namespace {

// Rows in the order of SetText.
constexpr std::array<TextRow, 8> kSetTexts{{
    {"Settings", "Settings", "设置数据"},
    {"Control Settings", "Controle poses", "控制设置数据"},
    {"Calibration", "Calibratione", "统调"},
    {"O", "O", "O"},
    {"G", "G", "G"},
    {"Entry for site {site} not sent", "Saisie pour le site {site} non envoyee", "站位 {site} 的输入未发送"},
    {"Read the list before sending", "Lire la liste avant d'envoyer", "发送前请先读取数据"},
    {"Refused: a write is in progress", "Refuse: ecriture en cours", "拒绝: 正在写入数据"},
}};

}  // namespace

const TextRow& setText(SetText which) { return kSetTexts[static_cast<std::size_t>(which)]; }

}  // namespace solwire
