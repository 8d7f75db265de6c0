// The settings window's rules as plain functions: the two lists' layouts,
// which column takes typing, the list font size, and the tint that shows
// whether the regulator took the last write. The entry rules themselves
// (ParseEntry, the checks, the shared bytes) are the protocol's, in
// protocol/entry_rules.h, shared with the command-line tool.
#pragma once

#include <optional>

#include "protocol/status_messages.h"
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
  // Under the grids: whose values are on view, then the editor's notice.
  int statusLineHeight = 20;
};

EditorLayout editorLayout(EditorList list);

inline constexpr int kEditorRowHeight = 24;

// The point size of the labels column and the two list buttons.
int listFontSize(Language language);

// The written entry's cell: Waiting shows the value written until the list
// read back after it is in; then Taken or NotTaken.
enum class CellTint { None, Waiting, Taken, NotTaken };

// The tint of the written entry's value cell once its read-back is in: only
// for a verdict about the site selected now.
CellTint readBackTint(const WriteCheck& write, int selectedSite);

// The entry the send button would write, as far as sending is concerned.
struct EntryOnHold {
  int site = 0;
  EditorList list = EditorList::Settings;
};

// What the editor knows when it decides about the send button.
struct SendCheck {
  std::optional<EntryOnHold> entry;
  EditorList shown = EditorList::Settings;
  int selectedSite = 0;
  // How the list the entry belongs to stands for the selected site, and
  // whether it has been read since the site was selected (a site change
  // defers the next reading of a list behind a current-state reading, which
  // brings the scale of its voltages).
  RecordStanding entryList = RecordStanding::NotRead;
  bool entryListRead = false;
  bool writing = false;  // a write is on its way or waits for its read-back
};

// An entry goes only to the site it was typed for, from the list on view,
// and only once that site's list has been read: its shared bytes are built
// from the values on view, which must be that site's.
bool sendAllowed(const SendCheck& check);

// What the editor's status line says besides whose values are on view.
enum class EditorNotice {
  None,
  EntryForOtherSite,   // an entry typed for another site waits unsent
  ReadBeforeSending,   // an entry waits for its site's list to be read
  WriteInProgress,     // an entry was refused: a write is on its way
};

// The notice for the state of `check`; a refusal during a write is said
// until the write is over.
EditorNotice editorNotice(const SendCheck& check, bool refusedDuringWrite);

}  // namespace solwire
