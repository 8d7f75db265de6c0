#include "app/texts/main_window_texts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace solwire {
namespace {

TEST(MainWindowTexts, SpotChecksWhereTranscriptionSlipsMatter) {
  EXPECT_EQ(mainWindowText("ToolButton6", TextKind::Hint, 1), "Poses");
  EXPECT_EQ(mainWindowText("ToolButton4", TextKind::Hint, 1), "State immediate");
  EXPECT_EQ(mainWindowText("window", TextKind::Caption, 2), "KVR 网络通信");
  EXPECT_EQ(kMainCaption[0], "SOLWIRE");
  EXPECT_EQ(kMainCaption[1], "SOLWIRE");
  EXPECT_EQ(mainWindowText("Hangup", TextKind::Caption, 1), "Terminie");
  EXPECT_EQ(mainWindowText("Samplecheck", TextKind::Caption, 2), "记录数据 每");
  EXPECT_EQ(mainWindowText("Mportlab", TextKind::Caption, 2), "MODEM 接口");
  EXPECT_EQ(mainWindowText("logsitelab", TextKind::Hint, 2), "阅读QJ内存");
  EXPECT_EQ(mainWindowText("Calsavecheck", TextKind::Caption, 1), "Calibratione");
  EXPECT_EQ(mainWindowText("Printbutton", TextKind::Hint, 2), "打印");
  EXPECT_EQ(kSavePanelSaveHint[1], "Ecrire or Lire Data");
  EXPECT_EQ(kPhoneGridNumberHead[1], "Nombre de Telefon");
  EXPECT_EQ(kPhoneGridLayoutNumberHead, " 号码");
}

TEST(MainWindowTexts, CaptionAndHintRowsAnswerBothAndSingleKindRowsOnlyTheirOwn) {
  EXPECT_EQ(mainWindowText("exitlab", TextKind::Caption, 1), "SORTIE?");
  EXPECT_EQ(mainWindowText("exitlab", TextKind::Hint, 1), "SORTIE?");
  EXPECT_EQ(mainWindowText("Tapicheck", TextKind::Caption, 0), "");
  EXPECT_EQ(mainWindowText("window", TextKind::Hint, 0), "");
  // Controls with a caption row and a separate hint row.
  EXPECT_EQ(mainWindowText("dialupcheck", TextKind::Caption, 0), "Use Modem Dialup");
  EXPECT_EQ(mainWindowText("dialupcheck", TextKind::Hint, 0), "Periodic Data Logging");
  EXPECT_EQ(mainWindowText("sitelab", TextKind::Caption, 2), "位置");
  EXPECT_EQ(mainWindowText("sitelab", TextKind::Hint, 2), "选择站位号");
  EXPECT_EQ(mainWindowText("Currsavecheck", TextKind::Caption, 0), "Current State");
  EXPECT_EQ(mainWindowText("Currsavecheck", TextKind::Hint, 0), "Enable Current State Data");
  EXPECT_EQ(mainWindowText("NoSuchControl", TextKind::Hint, 0), "");
}

TEST(MainWindowTexts, LanguageOutsideTheTableGivesEnglish) {
  for (int language : {-1, 3, 1000}) {
    EXPECT_EQ(mainWindowText("ToolButton3", TextKind::Hint, language), "Help");
    EXPECT_EQ(kReportPointSize[language], "10");
  }
  EXPECT_EQ(mainWindowText("ToolButton3", TextKind::Hint, 1), "Assistance");
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
    EXPECT_EQ(mainWindowText(control, TextKind::Hint, 0), "Select Site Number") << control;
  EXPECT_EQ(mainWindowText("Logpanel", TextKind::Hint, 2), "定期记录数据");
  EXPECT_EQ(mainWindowText("logsite", TextKind::Hint, 1), "Selection de Log site");
  EXPECT_EQ(mainWindowTexts().size(), 63u);
}

TEST(MainWindowTexts, ModemSetupFieldFollowsTheTapiMode) {
  EXPECT_EQ(setupLabCaption(true, 2), "当前TAPI装置");
  EXPECT_EQ(setupEditHint(true, 2), "当前TAPI装置");
  EXPECT_EQ(setupLabCaption(false, 2), "MODEM设置指令");
  EXPECT_EQ(setupEditHint(false, 2), "无TAPI业务拨号指令");
}

}  // namespace
}  // namespace solwire
