#include "views/set_rules.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

using Grid = EditorGrid;

TEST(SetRules, OnlyTheColumnUnderTheMouseTakesTyping) {
  struct Case {
    EditorList list;
    std::optional<Grid> mouse;
    bool values;
    bool units;
  };
  const Case cases[] = {
      {EditorList::Settings, Grid::Values, true, false},   {EditorList::Settings, Grid::Units, false, false},
      {EditorList::Settings, Grid::Labels, false, false},  {EditorList::Settings, std::nullopt, false, false},
      {EditorList::Calibration, Grid::Values, true, false}, {EditorList::Calibration, Grid::Units, false, true},
      {EditorList::Calibration, Grid::Labels, false, false}, {EditorList::Calibration, std::nullopt, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(acceptsTyping(c.list, Grid::Values, c.mouse), c.values);
    EXPECT_EQ(acceptsTyping(c.list, Grid::Units, c.mouse), c.units);
    EXPECT_FALSE(acceptsTyping(c.list, Grid::Labels, c.mouse));
  }
}

TEST(SetRules, TheTintSaysWhatTheReadBackOfTheSelectedSiteShowed) {
  WriteCheck write{1, 3, 16, 135, WritePhase::Confirmed, 135};
  EXPECT_EQ(readBackTint(write, 3), CellTint::Taken);
  EXPECT_EQ(readBackTint(write, 4), CellTint::None) << "another site is selected";
  write.phase = WritePhase::NotConfirmed;
  EXPECT_EQ(readBackTint(write, 3), CellTint::NotTaken);
  for (const WritePhase phase : {WritePhase::None, WritePhase::Waiting, WritePhase::ReadingBack, WritePhase::Abandoned}) {
    write.phase = phase;
    EXPECT_EQ(readBackTint(write, 3), CellTint::None);
  }
}

}  // namespace
}  // namespace solwire
