#include "app/language_state.h"

#include <QFontDatabase>
#include <QStringList>

namespace solwire {

namespace {

std::size_t clampedIndex(int index) { return static_cast<std::size_t>((index >= 0 && index < kLanguageCount) ? index : 0); }

}  // namespace

const LanguageFont& LanguageState::currentFont() const { return fonts[clampedIndex(index)]; }
LanguageFont& LanguageState::currentFont() { return fonts[clampedIndex(index)]; }

QString LanguageState::familyForCurrentLanguage() const {
  return resolveFontFamily(QString::fromStdString(currentFont().name), index == 2);
}

QFont LanguageState::qfont() const {
  QFont font(familyForCurrentLanguage());
  font.setPointSize(currentFont().size);
  return font;
}

QString resolveFontFamily(const QString& stored, bool chinese) {
  if (QFontDatabase::hasFamily(stored) || !chinese) return stored;
  for (const char* family : kChineseFallbackFamilies)
    if (QFontDatabase::hasFamily(family)) return family;
  return stored;
}

void installFontSubstitutions() {
  QStringList substitutes;
  for (const char* family : kChineseFallbackFamilies) substitutes << family;
  QFont::insertSubstitutions(QString::fromStdString(defaultLanguageFonts()[2].name), substitutes);
}

}  // namespace solwire
