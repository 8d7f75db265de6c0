// The history window's texts and their point sizes in English, French and
// Chinese (UTF-8). Plain data: the window applies them with the language's
// font name.
#pragma once

#include "protocol/status_messages.h"

#include <array>

#include "views/texts/text_row.h"

namespace solwire {

enum class GraphText {
  Caption,           // the window
  Day,               // daylab
  Head,              // headlab
  ChargeButton,      // charbutton
  VoltButton,        // Voltbutton
  Wait,              // Waitlab
  FirstSeriesAh,     // calab, amp-hour chart
  SecondSeriesAh,    // cblab, amp-hour chart
  FirstSeriesVolts,  // calab, voltage chart
  SecondSeriesVolts, // cblab, voltage chart
};

struct SizedText {
  TextRow text;
  std::array<int, 3> pointSize;  // by language index

  // The size for a language index; an index outside 0..2 gives English.
  int size(Language language) const { return pointSize[static_cast<std::size_t>(language)]; }
};

const SizedText& graphText(GraphText which);

// The unit label beside the value axis: its text is the chart's unit.
inline constexpr SizedText kGraphUnit{{"", "", ""}, {10, 10, 10}};

}  // namespace solwire
