// The settings window's rules as plain functions: the two lists' layouts,
// which column takes typing, the list font size, and the tint that shows
// whether the regulator took the last write. The entry rules themselves
// (ParseEntry, the checks, the shared bytes) are the protocol's, in
// protocol/entry_rules.h, shared with the command-line tool.
#pragma once

#include <optional>

#include "protocol/link_controller.h"

namespace solwire {

enum class EditorList { Settings, Calibration };

// sgrid1 (labels), sgrid2 (values, or G), sgrid3 (units, or O).
enum class EditorGrid { Labels, Values, Units };

// Only the column under the mouse takes typing: the values column, and in the
// calibration list the O column too. Labels never do, nor the units.
bool acceptsTyping(EditorList list, EditorGrid grid, std::optional<EditorGrid> underMouse);

// The rows that hold entries: 16 settings, 8 calibration channels.
int entryRows(EditorList list);

struct EditorLayout {
  int width = 0;
  int height = 0;
  int panelHeight = 0;   // Panel1, with the list buttons, the send button and the column heads
  int labelsWidth = 0;   // sgrid1
  int valuesWidth = 0;   // sgrid2
  int unitsWidth = 0;    // sgrid3
  int headTop = 0;       // Label1 and Label2
  int oHeadLeft = 0;     // Label1
  int gHeadLeft = 0;     // Label2
  int sendLeft = 0;      // sendbutton
  bool unitsGrey = false;  // sgrid3 in the button-face colour
};

EditorLayout editorLayout(EditorList list);

inline constexpr int kEditorRowHeight = 24;

// The point size of the labels column and the two list buttons.
int listFontSize(int language);

enum class CellTint { None, Taken, NotTaken };

// The tint of the written entry's value cell once its read-back is in: only
// for a verdict about the site selected now.
CellTint readBackTint(const WriteCheck& write, int selectedSite);

}  // namespace solwire
