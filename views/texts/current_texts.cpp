#include "views/texts/current_texts.h"

namespace solwire {

namespace {

constexpr TextRow kCaption{"Current State", "Etat Courant", "当前工作数据"};
constexpr TextRow kStateLabel{"State", "Etat", "状态"};
constexpr TextRow kWaitText{"Wait For Transfer", "Attendre pour le Communication", "等待正在传送"};

}  // namespace

const TextRow& currentText(CurrentText which) {
  switch (which) {
    case CurrentText::Caption: return kCaption;
    case CurrentText::StateLabel: return kStateLabel;
    case CurrentText::WaitText: break;
  }
  return kWaitText;
}

}  // namespace solwire
