#include "app/texts/settings_file_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace solwire {
namespace {

bool holds(std::string_view text, std::string_view placeholder) { return text.find(placeholder) != std::string_view::npos; }

// A translation that loses %1 or %2 would drop the file or the system's
// reason from the message in that language only.
TEST(SettingsFileTexts, EveryLanguageNamesTheFileAndGivesTheReasonWhereThereIsOne) {
  for (const StoreProblem problem : {StoreProblem::CannotRead, StoreProblem::PartlyRead, StoreProblem::NotAFile,
                                     StoreProblem::ReadOnly, StoreProblem::CannotWrite}) {
    for (const bool withReason : {false, true}) {
      const TextRow row = settingsFileText(problem, withReason);
      const bool reasonGiven = holds(row.english, "%2");
      if (problem == StoreProblem::CannotRead || problem == StoreProblem::CannotWrite) {
        EXPECT_EQ(reasonGiven, withReason) << static_cast<int>(problem);
      }
      for (int language = 0; language < 3; ++language) {
        SCOPED_TRACE(std::to_string(static_cast<int>(problem)) + " in language " + std::to_string(language));
        EXPECT_TRUE(holds(row[language], "%1"));
        EXPECT_EQ(holds(row[language], "%2"), reasonGiven);
        EXPECT_FALSE(holds(row[language], "%3"));
      }
    }
  }
  EXPECT_TRUE(settingsFileText(StoreProblem::None, true).english.empty());
}

}  // namespace
}  // namespace solwire
