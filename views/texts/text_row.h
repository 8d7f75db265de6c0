// One text in the three languages the windows speak, as plain data.
#pragma once

#include <string_view>

#include "protocol/status_messages.h"

namespace solwire {

// 0 English, 1 French, 2 Chinese.
struct TextRow {
  std::string_view english;
  std::string_view french;
  std::string_view chinese;

  // The text for a language index; an index outside 0..2 gives English.
  constexpr std::string_view operator[](int language) const {
    return language == 1 ? french : language == 2 ? chinese : english;
  }
  constexpr std::string_view operator[](Language language) const { return (*this)[static_cast<int>(language)]; }
};

}  // namespace solwire
