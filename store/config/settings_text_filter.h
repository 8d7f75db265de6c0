// What of a settings file may reach QSettings. Its INI reader turns a value
// written as "@Variant(...)", "@ByteArray(...)", "@Rect(...)" and the like
// into data of that type; "@Variant(" feeds the rest of the text to a binary
// deserialiser that trusts the lengths it finds there, so a damaged file can
// make it ask for gigabytes. The store only ever writes plain text (QSettings
// writes a text that starts with "@" as "@@...", and one that holds a NUL
// character as "@String(...)"), so a line whose value holds any other typed
// form is none of ours: it is left out before QSettings reads.
//
// The line and value rules are those of QSettings' INI reader (quotes that
// span lines, backslash escapes in hexadecimal and octal, comma-separated
// lists, ";" comments), so what is left out is exactly one line as it reads
// it, and a typed form hidden behind escapes or quotes is found too.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace solwire {

struct FilteredSettingsText {
  std::string text;                  // the file without the left-out lines
  std::vector<std::string> leftOut;  // each left-out line's key as written, then its typed form ("@Variant")
};

FilteredSettingsText withoutTypedValues(std::string_view fileText);

}  // namespace solwire
