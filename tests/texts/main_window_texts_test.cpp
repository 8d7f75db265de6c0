#include "app/texts/main_window_texts.h"
#include "protocol/status_messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace solwire {
namespace {

TEST(MainWindowTexts, SpotChecksWhereTranscriptionSlipsMatter) {
  EXPECT_EQ(mainWindowText("ToolButton6", TextKind::Hint, Language::French), "Poses");
  EXPECT_EQ(mainWindowText("ToolButton4", TextKind::Hint, Language::French), "State immediate");
  EXPECT_EQ(mainWindowText("window", TextKind::Caption, Language::Chinese), "KVR 网络通信");
  EXPECT_EQ(kMainCaption[0], "SOLWIRE");
  EXPECT_EQ(kMainCaption[1], "SOLWIRE");
  EXPECT_EQ(mainWindowText("Hangup", TextKind::Caption, Language::French), "Terminie");
  EXPECT_EQ(mainWindowText("Samplecheck", TextKind::Caption, Language::Chinese), "记录数据 每");
  EXPECT_EQ(mainWindowText("Mportlab", TextKind::Caption, Language::Chinese), "MODEM 接口");
  EXPECT_EQ(mainWindowText("logsitelab", TextKind::Hint, Language::Chinese), "阅读QJ内存");
  EXPECT_EQ(mainWindowText("Calsavecheck", TextKind::Caption, Language::French), "Calibratione");
  EXPECT_EQ(mainWindowText("Printbutton", TextKind::Hint, Language::Chinese), "打印");
  EXPECT_EQ(kSavePanelSaveHint[1], "Ecrire or Lire Data");
  EXPECT_EQ(kPhoneGridNumberHead[1], "Nombre de Telefon");
  EXPECT_EQ(kPhoneGridLayoutNumberHead, " 号码");
}

TEST(MainWindowTexts, CaptionAndHintRowsAnswerBothAndSingleKindRowsOnlyTheirOwn) {
  EXPECT_EQ(mainWindowText("exitlab", TextKind::Caption, Language::French), "SORTIE?");
  EXPECT_EQ(mainWindowText("exitlab", TextKind::Hint, Language::French), "SORTIE?");
  EXPECT_EQ(mainWindowText("Tapicheck", TextKind::Caption, Language::English), "");
  EXPECT_EQ(mainWindowText("window", TextKind::Hint, Language::English), "");
  // Controls with a caption row and a separate hint row.
  EXPECT_EQ(mainWindowText("dialupcheck", TextKind::Caption, Language::English), "Use Modem Dialup");
  EXPECT_EQ(mainWindowText("dialupcheck", TextKind::Hint, Language::English), "Periodic Data Logging");
  EXPECT_EQ(mainWindowText("sitelab", TextKind::Caption, Language::Chinese), "位置");
  EXPECT_EQ(mainWindowText("sitelab", TextKind::Hint, Language::Chinese), "选择站位号");
  EXPECT_EQ(mainWindowText("Currsavecheck", TextKind::Caption, Language::English), "Current State");
  EXPECT_EQ(mainWindowText("Currsavecheck", TextKind::Hint, Language::English), "Enable Current State Data");
  EXPECT_EQ(mainWindowText("NoSuchControl", TextKind::Hint, Language::English), "");
}

TEST(MainWindowTexts, LanguageOutsideTheTableGivesEnglish) {
  for (int language : {-1, 3, 1000}) {
    EXPECT_EQ(mainWindowText("ToolButton3", TextKind::Hint, languageFromIndex(language)), "Help");
    EXPECT_EQ(kReportPointSize[language], "10");
  }
  EXPECT_EQ(mainWindowText("ToolButton3", TextKind::Hint, Language::French), "Assistance");
  EXPECT_EQ(kReportPointSize[2], "13");
}

TEST(MainWindowTexts, EveryRowIsCompleteAndNoControlIsSetTwice) {
  std::set<std::pair<std::string, bool>> seen;  // (control, is caption)
  for (const auto& row : mainWindowTexts()) {
    SCOPED_TRACE(std::string(row.control));
    EXPECT_FALSE(row.control.empty());
    EXPECT_FALSE(row.text.english.empty());
    EXPECT_FALSE(row.text.french.empty());
    EXPECT_FALSE(row.text.chinese.empty());
    const bool caption = row.sets != Sets::Hint;
    const bool hint = row.sets != Sets::Caption;
    if (caption) {
      EXPECT_TRUE(seen.emplace(std::string(row.control), true).second) << "caption set twice";
    }
    if (hint) {
      EXPECT_TRUE(seen.emplace(std::string(row.control), false).second) << "hint set twice";
    }
  }
  // Rows naming several controls give each of them the text.
  for (const char* control : {"sitepanel", "sitelab", "sitetext", "sitesel"})
    EXPECT_EQ(mainWindowText(control, TextKind::Hint, Language::English), "Select Site Number") << control;
  EXPECT_EQ(mainWindowText("Logpanel", TextKind::Hint, Language::Chinese), "定期记录数据");
  EXPECT_EQ(mainWindowText("logsite", TextKind::Hint, Language::French), "Selection de Log site");
  EXPECT_EQ(mainWindowTexts().size(), 63u);
}

TEST(MainWindowTexts, ModemSetupFieldFollowsTheTapiMode) {
  EXPECT_EQ(setupLabCaption(true, Language::Chinese), "当前TAPI装置");
  EXPECT_EQ(setupEditHint(true, Language::Chinese), "当前TAPI装置");
  EXPECT_EQ(setupLabCaption(false, Language::Chinese), "MODEM设置指令");
  EXPECT_EQ(setupEditHint(false, Language::Chinese), "无TAPI业务拨号指令");
}

}  // namespace
}  // namespace solwire
