// The file viewer's texts in English, French and Chinese (UTF-8). Plain data:
// the window applies them.
#pragma once

#include "views/texts/text_row.h"

namespace solwire {

enum class ReadText {
  Caption,
  FileLabelHint,
  PrintHint,
  CloseHint,
  // Put before the file name in the file label.
  FileLabel,
  // What the text box shows instead of a file's content.
  FileMissing,
  FileUnreadable,
  NotADataFile,
  // The title of the print job.
  PrintTitle,
};

// The text of a row; a language index outside 0..2 gives English.
const TextRow& readText(ReadText which);

}  // namespace solwire
