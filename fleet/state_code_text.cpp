#include "fleet/state_code_text.h"

#include "views/texts/current_texts.h"

namespace solwire::fleet {

std::string stateWord(Language language) { return std::string(currentText(CurrentText::StateLabel)[language]); }

std::vector<std::string> stateTexts(Language language) {
  const std::string word = stateWord(language);
  std::vector<std::string> texts;
  for (int code = 0; code <= kLargestStateCode; ++code) texts.push_back(word + " " + std::to_string(code));
  return texts;
}

}  // namespace solwire::fleet
