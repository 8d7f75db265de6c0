#include "cli/language_option.h"

namespace solwire::cli {

std::optional<Language> languageOption(const std::string& text) {
  if (text == "en") return Language::English;
  if (text == "fr") return Language::French;
  if (text == "zh") return Language::Chinese;
  return std::nullopt;
}

}  // namespace solwire::cli
