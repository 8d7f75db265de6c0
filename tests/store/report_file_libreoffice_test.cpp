// A file with two reports, one English and one Chinese, written through
// appendToRichTextFile, converted to text by LibreOffice: the text is the
// document's, tabs and Chinese included.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "store/report_file.h"
#include "tests/store/report_file_fixture.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t end = std::min(folders.find(':', start), folders.size());
    const fs::path candidate = fs::path(folders.substr(start, end - start)) / program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    start = end + 1;
  }
  return {};
}

// Runs a program with its own HOME and profile folder, its output in `log`.
int run(const std::vector<std::string>& arguments, const fs::path& home, const fs::path& log) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::setenv("HOME", home.c_str(), 1);
    if (std::freopen(log.c_str(), "w", stdout) == nullptr || std::freopen(log.c_str(), "a", stderr) == nullptr) {
      ::_exit(126);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// LibreOffice's text export: UTF-8, maybe with a byte order mark, CRLF or LF
// line ends; one line per paragraph.
std::string normalisedExport(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  std::string lines;
  for (char c : text) {
    if (c != '\r') lines += c;
  }
  while (!lines.empty() && lines.back() == '\n') lines.pop_back();
  return lines;
}

class ReportFileInLibreOffice : public test::ReportFileFixture {};

TEST_F(ReportFileInLibreOffice, ReadsTwoAppendedReportsWithTheirTextTabsAndChinese) {
  const std::string soffice = findOnPath("soffice");
  if (soffice.empty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed; scripts/setup.sh installs it";

  const fs::path file = dir_ / "REPORT.RTF";
  ASSERT_EQ(appendToRichTextFile(file, report(Language::English)), AppendOutcome::Created);
  ASSERT_EQ(appendToRichTextFile(file, report(Language::Chinese)), AppendOutcome::Appended);

  const fs::path home = dir_ / "home";
  const fs::path out = dir_ / "out";
  fs::create_directories(home);
  fs::create_directories(out);
  const int exitCode = run({soffice, "-env:UserInstallation=file://" + (dir_ / "profile").string(), "--headless",
                            "--norestore", "--convert-to", "txt:Text (encoded):UTF8", "--outdir", out.string(),
                            file.string()},
                           home, dir_ / "soffice.log");
  const fs::path text = out / "REPORT.txt";
  ASSERT_EQ(exitCode, 0) << contents(dir_ / "soffice.log");
  ASSERT_TRUE(fs::exists(text)) << contents(dir_ / "soffice.log");

  const std::string expected = loadRichTextFile(file).plainText();
  const std::string converted = normalisedExport(contents(text));
  EXPECT_EQ(converted, expected);
  EXPECT_NE(converted.find("KVRD 数据"), std::string::npos);
  EXPECT_NE(converted.find("Day\tCharge    \t"), std::string::npos);
}

}  // namespace
}  // namespace solwire
