#include "views/set_rules.h"

namespace solwire {

bool acceptsTyping(EditorList list, EditorGrid grid, std::optional<EditorGrid> underMouse) {
  if (!underMouse || *underMouse != grid) return false;
  switch (grid) {
    case EditorGrid::Labels: return false;
    case EditorGrid::Values: return true;
    case EditorGrid::Units: return list == EditorList::Calibration;
  }
  return false;
}

int entryRows(EditorList list) { return list == EditorList::Settings ? 16 : 8; }

EditorLayout editorLayout(EditorList list) {
  if (list == EditorList::Settings) {
    // 356 wide and 462 high: the panel and 18 rows.
    return {356, 462, 29, 246, 356 - 246 - 58, 58, 8, 250, 292, 292, true};
  }
  return {342, 280, 47, 250, 342 - 250 - 40, 40, 28, 312, 252, 278, false};
}

int listFontSize(Language language) { return language == Language::Chinese ? 12 : 10; }

CellTint readBackTint(const WriteCheck& write, int selectedSite) {
  if (write.site != selectedSite) return CellTint::None;
  switch (write.phase) {
    case WritePhase::Confirmed: return CellTint::Taken;
    case WritePhase::NotConfirmed: return CellTint::NotTaken;
    default: return CellTint::None;
  }
}

bool sendAllowed(const SendCheck& check) {
  return check.entry && !check.writing && check.entry->site == check.selectedSite &&
         check.entry->list == check.shown && check.entryList == RecordStanding::Current && check.entryListRead;
}

EditorNotice editorNotice(const SendCheck& check, bool refusedDuringWrite) {
  if (refusedDuringWrite && check.writing) return EditorNotice::WriteInProgress;
  if (!check.entry) return EditorNotice::None;
  if (check.entry->site != check.selectedSite) return EditorNotice::EntryForOtherSite;
  if (check.entryList != RecordStanding::Current || !check.entryListRead) return EditorNotice::ReadBeforeSending;
  return EditorNotice::None;
}

}  // namespace solwire
