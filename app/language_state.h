// The language in effect and the font of each language, shared by every window.
#pragma once

#include <QFont>
#include <QString>
#include <array>

#include "protocol/status_messages.h"
#include "store/config/config_store.h"

namespace solwire {

struct LanguageState {
  int index = 0;  // 0 English, 1 French, 2 Chinese: the stored language number
  std::array<LanguageFont, kLanguageCount> fonts = defaultLanguageFonts();

  Language language() const { return languageFromIndex(index); }
  const LanguageFont& currentFont() const;
  LanguageFont& currentFont();
  // The current language's font, with a font able to show Chinese put in
  // place of a stored face that is not installed.
  QFont qfont() const;
  QString familyForCurrentLanguage() const;
};

// Font faces that can show Chinese, most preferred first; the set-up script
// installs the first.
inline constexpr std::array<const char*, 4> kChineseFallbackFamilies{
    "WenQuanYi Micro Hei", "Noto Sans CJK SC", "Droid Sans Fallback", "AR PL UMing CN"};

// The family to use for a stored face: the face itself when installed, else
// for Chinese the first installed Chinese-capable face.
QString resolveFontFamily(const QString& stored, bool chinese);

// Lets Qt fall back to a Chinese-capable face for the stored Chinese default.
void installFontSubstitutions();

}  // namespace solwire
