// solwire-cli report on the built-in simulated line: the report's header and
// sections in each language, the reports a file collects, and the failures
// an operator meets.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "store/rich_text_file.h"
#include "tests/support/cli_run.h"

namespace solwire {
namespace {

using test::runCli;

struct LanguageTexts {
  std::string lang;
  // In the order the report holds them.
  std::vector<std::string> inOrder;
};

const std::vector<LanguageTexts> kLanguages{
    {"en", {"KVRD DATA", "Site Number  1", "State: ", "24  V.", "Battery Voltage", "Charge Current", "Load Current",
            "LOGGED DATA", "Day\tCharge", "Control Settings", "Boost Maximum Voltage", "Communication Baud Rate",
            "Calibration", "Battery Voltage    "}},
    {"fr", {"KVRD DATA", "Nombre de Site 1", "Etat: ", "24  V.", "Tension de Pile", "Courant Recharger",
            "Courant Utilite", "MEMOIRE DATA", "Jour\tChargement", "Controle poses", "Tension maximum augmenter",
            "Communication vitesse", "Calibratione", "Tension de Pile    "}},
    {"zh", {"KVRD 数据", "设置 1", "状态: ", "24  V.", "电池电压", "充电电流", "负载电流", "被记存的数据",
            "天\t每日充电", "控制设置", "最高提升电压", "通信波特速率", "校准设置", "电池电压"}},
};

// Where each text is found, each after the one before; npos when one is missing.
std::size_t findInOrder(const std::string& text, const std::vector<std::string>& parts) {
  std::size_t at = 0;
  for (const std::string& part : parts) {
    at = text.find(part, at);
    if (at == std::string::npos) return at;
    at += part.size();
  }
  return at;
}

// All four sections in English; the other languages without the history,
// whose eight-block transfer takes ten seconds of line time.
TEST(CliReport, TextHoldsTheHeaderAndTheSectionsInEachLanguage) {
  for (const LanguageTexts& language : kLanguages) {
    const bool all = language.lang == "en";
    std::vector<std::string> words{"report", "--port", "sim", "--site", "1", "--lang", language.lang, "--text"};
    if (!all) words.insert(words.end(), {"--sections", "current,settings,calibration"});
    const auto r = runCli(words);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> expected = language.inOrder;
    if (!all) expected.erase(expected.begin() + 7, expected.begin() + 9);  // the history's title and heads
    EXPECT_NE(findInOrder(r.out, expected), std::string::npos) << language.lang << "\n" << r.out;
    EXPECT_EQ(r.out.rfind(std::string(101, '-'), 0), 0u) << "the separator opens the text";
    EXPECT_TRUE(std::regex_search(r.out, std::regex("    \\d{4}-\\d\\d-\\d\\d  \\d\\d:\\d\\d:\\d\\d     ")))
        << r.out;
    // 32 days of history, one line each, the day first.
    EXPECT_EQ(std::regex_search(r.out, std::regex("\n31\t\\d+\t\t\\d+\t\t\\d+\\.\\d\t\t\\d+\\.\\d\n")), all) << r.out;
  }
}

TEST(CliReport, OnlyTheSectionsAskedForFollowTheHeader) {
  const auto r = runCli({"report", "--port", "sim", "--site", "2", "--sections", "settings,calibration", "--text"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(findInOrder(r.out, {"Site Number  2", "12  V.", "Control Settings", "Calibration"}), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find(" V       Max"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("LOGGED DATA"), std::string::npos) << r.out;
}

class CliReportFile : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-report-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }
  std::filesystem::path directory;
};

TEST_F(CliReportFile, AppendingTwiceLeavesBothReportsInOrder) {
  const std::string file = (directory / "DATA.RTF").string();
  ASSERT_EQ(runCli({"report", "--port", "sim", "--site", "0", "--sections", "current", "--append", file}).status, 0);
  ASSERT_EQ(
      runCli({"report", "--port", "sim", "--site", "0", "--sections", "calibration", "--append", file}).status, 0);

  const RichTextDocument document = loadRichTextFile(file);
  const std::string text = document.plainText();
  const std::string separator(101, '-');
  EXPECT_NE(findInOrder(text, {separator, "Site Number  0", "48  V.", "Battery Voltage", separator, "Site Number  0",
                               "Calibration", "Display Temperature"}),
            std::string::npos)
      << text;
  const std::size_t second = text.find(separator, text.find(separator) + separator.size());
  EXPECT_EQ(text.find(separator, second + separator.size()), std::string::npos) << "two reports, no more";
  EXPECT_EQ(text.find("Calibration"), text.rfind("Calibration")) << "the first report holds no calibration";
  // The runs keep their colours through the file: red separators, a blue title.
  int redSeparators = 0;
  for (const Paragraph& paragraph : document.paragraphs())
    for (const TextRun& run : paragraph.runs)
      if (run.text == separator && run.format.colour == kRed) ++redSeparators;
  EXPECT_EQ(redSeparators, 2);
}

TEST_F(CliReportFile, AFileThatCannotBeWrittenIsAFailureNamingIt) {
  const std::string file = (directory / "missing" / "DATA.RTF").string();
  const auto r = runCli({"report", "--port", "sim", "--site", "0", "--sections", "current", "--append", file});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
}

TEST(CliReport, APortThatWillNotOpenIsAFailureWithItsReason) {
  const auto r = runCli({"report", "--port", "/dev/solwire-no-such-port", "--site", "1", "--text"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out.empty()) << r.out;
  EXPECT_NE(r.err.find("Port Set Exception: /dev/solwire-no-such-port: "), std::string::npos) << r.err;
}

TEST(CliReport, ASiteThatDoesNotAnswerIsATimeOut) {
  const auto r = runCli({"report", "--port", "sim", "--site", "9", "--sections", "current", "--text"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Data Timeout: site 9 did not answer"), std::string::npos) << r.err;
}

TEST(CliReport, UsageErrorsNeedOneDestinationAndKnownWords) {
  const std::vector<std::vector<std::string>> wrong{
      {"report", "--port", "sim", "--site", "1"},
      {"report", "--port", "sim", "--site", "1", "--text", "--append", "X.RTF"},
      {"report", "--port", "sim", "--site", "1", "--text", "--sections", "current,alarms"},
      {"report", "--port", "sim", "--site", "1", "--text", "--sections", ""},
      {"report", "--port", "sim", "--site", "1", "--text", "--lang", "de"},
      {"report", "--port", "sim", "--site", "32", "--text"},
  };
  for (const auto& words : wrong) {
    const auto r = runCli(words);
    EXPECT_EQ(r.status, 2) << words.size();
    EXPECT_NE(r.err.find("usage: solwire-cli report"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace solwire
