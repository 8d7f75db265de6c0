#include "app/texts/main_window_texts.h"

namespace solwire {

namespace {

constexpr bool covers(Sets sets, TextKind kind) {
  if (sets == Sets::CaptionAndHint) return true;
  return kind == TextKind::Caption ? sets == Sets::Caption : sets == Sets::Hint;
}

}  // namespace

std::span<const MainWindowText> mainWindowTexts() { return kMainWindowTexts; }

std::string_view mainWindowText(std::string_view control, TextKind kind, Language language) {
  for (const auto& row : kMainWindowTexts)
    if (row.control == control && covers(row.sets, kind)) return row.text[language];
  return {};
}

std::string_view setupLabCaption(bool tapiMode, Language language) {
  return (tapiMode ? kCurrentTapiDevice : kModemSetupString)[language];
}

std::string_view setupEditHint(bool tapiMode, Language language) {
  return (tapiMode ? kCurrentTapiDevice : kNonTapiDialString)[language];
}

}  // namespace solwire
