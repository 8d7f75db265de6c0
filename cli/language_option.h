// The --lang option: en, fr or zh.
#pragma once

#include <optional>
#include <string>

#include "protocol/status_messages.h"

namespace solwire::cli {

std::optional<Language> languageOption(const std::string& text);

}  // namespace solwire::cli
