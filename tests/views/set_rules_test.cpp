#include "views/set_rules.h"

#include <gtest/gtest.h>

#include "views/texts/set_texts.h"

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

TEST(SetRules, EveryEntryRowFitsTheListsWindow) {
  for (const EditorList list : {EditorList::Settings, EditorList::Calibration}) {
    const EditorLayout layout = editorLayout(list);
    EXPECT_LE(layout.panelHeight + entryRows(list) * kEditorRowHeight, layout.height);
    EXPECT_EQ(layout.labelsWidth + layout.valuesWidth + layout.unitsWidth, layout.width);
    EXPECT_GT(layout.valuesWidth, 40);
    EXPECT_LE(layout.sendLeft + 58, layout.width) << "the send button inside the window";
  }
  EXPECT_EQ(entryRows(EditorList::Settings), 16);
  EXPECT_EQ(entryRows(EditorList::Calibration), 8);
  EXPECT_EQ(editorLayout(EditorList::Settings).height, 462);
  EXPECT_TRUE(editorLayout(EditorList::Settings).unitsGrey);
  EXPECT_FALSE(editorLayout(EditorList::Calibration).unitsGrey);
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

TEST(SetRules, ChineseListsAreSetLarger) {
  EXPECT_EQ(listFontSize(0), 10);
  EXPECT_EQ(listFontSize(1), 10);
  EXPECT_EQ(listFontSize(2), 12);
  EXPECT_EQ(setText(SetText::Caption)[2], "设置数据");
  EXPECT_EQ(setText(SetText::ControlSettings)[1], "Controle poses");
  EXPECT_EQ(setText(SetText::Calibration)[1], "Calibratione");
}

}  // namespace
}  // namespace solwire
