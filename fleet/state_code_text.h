// The regulator's state code as a person reads it, "State 6", in the
// watcher's language. The program gives the codes no meaning of their own:
// the text is the word the current-state window puts before the number.
#pragma once

#include <string>
#include <vector>

#include "protocol/status_messages.h"

namespace solwire::fleet {

// The largest code a reply can carry: the decoder keeps the byte, less 64
// above 69, so the byte's 255 is the largest code, 191.
inline constexpr int kLargestStateCode = 255 - 64;

// "State", "Etat" or "状态".
std::string stateWord(Language language);

// Every text a state code can have: "State 0" to "State 191".
std::vector<std::string> stateTexts(Language language);

}  // namespace solwire::fleet
