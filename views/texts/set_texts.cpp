#include "views/texts/set_texts.h"

#include <array>

namespace solwire {

namespace {

// Rows in the order of SetText.
constexpr std::array<TextRow, 5> kSetTexts{{
    {"Settings", "Settings", "设置数据"},
    {"Control Settings", "Controle poses", "控制设置数据"},
    {"Calibration", "Calibratione", "统调"},
    {"O", "O", "O"},
    {"G", "G", "G"},
}};

}  // namespace

const TextRow& setText(SetText which) { return kSetTexts[static_cast<std::size_t>(which)]; }

}  // namespace solwire
