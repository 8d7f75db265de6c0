// The value templates of the discovered entities. Home Assistant takes an
// undefined name in a template for an error, and a failed reading's payload
// carries none of the values: every template asks whether its key is there
// first, and where it is not yields "None", which Home Assistant takes for
// an unknown state, without a word in its log.
#pragma once

#include <string>

namespace solwire::fleet {

// The payload's value of `key`.
std::string valueTemplate(const std::string& key);

// "ON" or "OFF" for alarm input `input` (0 is alarm number 1).
std::string alarmTemplate(int input);

// `prefix` followed by the value of `key`: "State 6".
std::string prefixedTemplate(const std::string& prefix, const std::string& key);

// The text of `key`, and an empty text where it is absent: for a text whose
// absence is itself the news, as no error on a good reading.
std::string textTemplate(const std::string& key);

}  // namespace solwire::fleet
