// The language tables hold UTF-8 string views; the widgets take QString.
#pragma once

#include <QString>
#include <string_view>

namespace solwire {

inline QString qtText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace solwire
