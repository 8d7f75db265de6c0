// The settings window's captions in English, French and Chinese (UTF-8).
// Plain data: the window applies them. The row labels and units of the two
// lists are the protocol's own tables (protocol/value_format.h), which the
// command-line tool prints as well.
#pragma once

#include "views/texts/text_row.h"

namespace solwire {

enum class SetText {
  Caption,          // the window
  ControlSettings,  // conbutton
  Calibration,      // Calbutton
  OHead,            // Label1 in the calibration list
  GHead,            // Label2 in the calibration list
  // The status line; "{site}" stands for a site number.
  EntryForOtherSite,  // an entry typed for another site, not sent
  ReadBeforeSending,  // an entry waits for its site's list to be read
  WriteInProgress,    // an entry refused while a write is on its way
};

const TextRow& setText(SetText which);

// The send button's hint.
inline constexpr TextRow kSendButtonHint{"Send the entry to the regulator", "Envoyer la valeur au régulateur",
                                         "将数据写入控制器"};

}  // namespace solwire
