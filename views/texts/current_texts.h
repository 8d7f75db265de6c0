// The current-state window's texts in English, French and Chinese (UTF-8).
// Plain data: the window applies them.
#pragma once

#include "app/texts/main_window_texts.h"

namespace solwire {

enum class CurrentText { Caption, StateLabel, WaitText };

// The text of a row; a language index outside 0..2 gives English.
const TextRow& currentText(CurrentText which);

}  // namespace solwire
