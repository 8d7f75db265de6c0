// Appending when the disk fills up part way and when the process is killed
// in the middle: the file is always the old document or the new one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "store/append_check.h"
#include "store/in_place_append.h"
#include "store/report_file.h"
#include "store/rtf_writer.h"
#include "tests/store/report_file_fixture.h"
#include "tests/support/file_size_limit.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::ReportFileFixture;

const std::string kSeparator(101, '-');

int entryCount(const RichTextDocument& document) {
  int count = 0;
  for (const Paragraph& paragraph : document.paragraphs()) count += paragraph.plainText() == kSeparator ? 1 : 0;
  return count;
}

int waitForExitCode(pid_t child) {
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

class ReportFileFaults : public ReportFileFixture {
 protected:
  // Appends in a child whose files may not grow beyond `limit` bytes; the
  // child's exit code says what it saw: 0 the expected error, 1 success, 2 another error.
  int appendInChildWithFileSizeLimit(const fs::path& file, std::uintmax_t limit) {
    const pid_t child = ::fork();
    if (child == 0) {
      const FileSizeLimit small(static_cast<rlim_t>(limit));
      try {
        appendToRichTextFile(file, entry(9, Language::Chinese));
      } catch (const RichTextFileError& error) {
        const std::string what = error.what();
        ::_exit(what.find("cannot write") != std::string::npos && what.find("File too large") != std::string::npos
                    ? 0
                    : 2);
      }
      ::_exit(1);
    }
    return waitForExitCode(child);
  }
};

TEST_F(ReportFileFaults, ADiskThatFillsDuringTheSaveLeavesTheOldFileAndNoTemporaryFile) {
  const fs::path own = dir_ / "LOG.RTF";
  const fs::path text = dir_ / "NOTES.TXT";
  const fs::path inPlace = dir_ / "APPENDED.RTF";
  put(own, writeRtf(entry(1, Language::English)));
  put(text, "notes of the site visit\nbattery bank C replaced\n");
  ASSERT_EQ(appendToRichTextFile(inPlace, entry(1, Language::English)), AppendOutcome::Created);
  for (const fs::path& file : {own, text, inPlace}) {
    const std::string before = contents(file);
    for (const std::uintmax_t limit : {std::uintmax_t{0}, std::uintmax_t{100}, before.size() + 10}) {
      EXPECT_EQ(appendInChildWithFileSizeLimit(file, limit), 0)
          << file.filename() << " with " << limit << " bytes: 1 appended, 2 another error";
      EXPECT_EQ(contents(file), before) << file.filename();
      EXPECT_EQ(entries().size(), 3u) << "a temporary file was left behind";
    }
  }
}

// A file with two names is rewritten in place; the room it needs is taken
// before anything is written.
TEST_F(ReportFileFaults, ADiskThatFillsLeavesAHardLinkedFileAsItWas) {
  const fs::path file = dir_ / "LOG.RTF";
  put(file, writeRtf(entry(1, Language::English)));
  fs::create_hard_link(file, dir_ / "LINKED.RTF");
  const std::string before = contents(file);
  for (const std::uintmax_t limit : {std::uintmax_t{0}, before.size(), before.size() + 10}) {
    EXPECT_EQ(appendInChildWithFileSizeLimit(file, limit), 0) << limit << " bytes: 1 appended, 2 another error";
    EXPECT_EQ(contents(file), before) << limit;
    EXPECT_EQ(fs::hard_link_count(file), 2u);
    EXPECT_EQ(entries().size(), 2u) << "a temporary file was left behind";
  }
}

// The child appends entries one after the other and reports each finished
// append on a pipe; the parent kills it at a random point and counts.
TEST_F(ReportFileFaults, AKilledAppendLeavesTheOldOrTheNewFileNeverAPartOne) {
  const fs::path file = dir_ / "LOG.RTF";
  ASSERT_EQ(appendToRichTextFile(file, entry(0, Language::English)), AppendOutcome::Created);
  const std::string firstEntry = loadRichTextFile(file).plainText();
  std::mt19937 random(20261207);
  int expected = 1;
  for (int round = 0; round < 60; ++round) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(pipeFds[0]);
      for (int i = 0;; ++i) {
        // Every third append goes the slow way: its addition continues the last line.
        RichTextDocument addition = entry(i % 24, static_cast<Language>(i % 3));
        if (i % 3 == 2) {
          RichTextDocument continued;
          continued.appendRun(" ", 10, kBlack);
          continued.append(addition);
          addition = continued;
        }
        appendToRichTextFile(file, addition);
        const char done = 'x';
        if (::write(pipeFds[1], &done, 1) != 1) ::_exit(1);
      }
    }
    ::close(pipeFds[1]);
    // Let a random number of appends finish, then spin a random while before the kill.
    const int waitFor = std::uniform_int_distribution<int>(0, 2)(random);
    int finished = 0;
    char done = 0;
    while (finished < waitFor && ::read(pipeFds[0], &done, 1) == 1) ++finished;
    volatile std::uint64_t spin = 0;
    const std::uint64_t spins = std::uniform_int_distribution<std::uint64_t>(0, 3'000'000)(random);
    for (std::uint64_t i = 0; i < spins; ++i) spin = spin + 1;
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    while (::read(pipeFds[0], &done, 1) == 1) ++finished;
    ::close(pipeFds[0]);

    // A kill may leave the end of an unfinished append, which loading leaves
    // out and the next append cuts off; the file is whole without it.
    const std::string bytes = contents(file);
    ASSERT_EQ(whyNotExtensible(repairedOwnFile(bytes).value_or(bytes)), std::nullopt) << "round " << round;
    const RichTextDocument document = loadRichTextFile(file);
    const int count = entryCount(document);
    ASSERT_TRUE(count == expected + finished || count == expected + finished + 1)
        << "round " << round << ": " << count << " entries, " << expected << " before, " << finished << " finished";
    ASSERT_TRUE(document.plainText().starts_with(firstEntry)) << "round " << round;
    expected = count;
    // A killed append may leave its temporary file; the next append removes it.
    ASSERT_LE(entries().size(), 2u) << "round " << round << ": temporary files of earlier rounds are left";
  }
  EXPECT_GT(expected, 30) << "too few appends finished for the kills to mean much";
}

// A killed append leaves its temporary file, a whole copy of the document.
// The next append removes those of processes that are gone, and nothing else.
TEST_F(ReportFileFaults, TheNextAppendRemovesTheTemporaryFilesOfKilledAppends) {
  const fs::path file = dir_ / "LOG.RTF";
  put(file, writeRtf(entry(1, Language::English)));
  // Beyond the largest process id the system hands out (2^22).
  const std::string gone = "99999999";
  const std::string alive = std::to_string(::getppid());
  const std::vector<std::string> abandoned{".LOG.RTF." + gone + ".0.tmp", ".LOG.RTF." + gone + ".17.tmp"};
  const std::vector<std::string> kept{
      ".LOG.RTF." + alive + ".0.tmp",       // an append still running
      ".OTHER.RTF." + gone + ".0.tmp",      // another file's
      ".LOG.RTF." + gone + ".0.tmp.keep",   // not our pattern
      ".LOG.RTF." + gone + ".x.tmp",
      ".LOG.RTF.0" + gone + ".0.tmp",
      ".LOG.RTF.-1.0.tmp",
      "LOG.RTF." + gone + ".0.tmp",
  };
  for (const std::string& name : abandoned) put(dir_ / name, contents(file));
  for (const std::string& name : kept) put(dir_ / name, "keep");

  ASSERT_EQ(appendToRichTextFile(file, entry(2, Language::English)), AppendOutcome::Appended);
  for (const std::string& name : abandoned) EXPECT_FALSE(fs::exists(dir_ / name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(contents(dir_ / name), "keep") << name;
  EXPECT_EQ(entries().size(), 1 + kept.size());
}

}  // namespace
}  // namespace solwire

namespace solwire {
namespace {

// Appends that meet on one file take turns: eight processes, each adding
// five entries (every third one the slow way, which renames a new file into
// place under the others' feet), to a file that none of them finds there.
TEST_F(ReportFileFaults, ProcessesAppendingAtOnceLoseNoEntry) {
  const fs::path file = dir_ / "SHARED.RTF";
  constexpr int kProcesses = 8;
  constexpr int kAppendsEach = 5;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (int i = 0; i < kAppendsEach; ++i) {
          RichTextDocument addition = entry(p, static_cast<Language>((p + i) % 3));
          if (i % 3 == 2) {
            RichTextDocument continued;
            continued.appendRun(" ", 10, kBlack);
            continued.append(addition);
            addition = continued;
          }
          appendToRichTextFile(file, addition);
        }
      } catch (const RichTextFileError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        ::_exit(2);
      }
      ::_exit(0);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) EXPECT_EQ(waitForExitCode(child), 0);
  const std::string bytes = contents(file);
  EXPECT_EQ(whyNotExtensible(bytes), std::nullopt);
  EXPECT_EQ(entryCount(loadRichTextFile(file)), kProcesses * kAppendsEach);
  EXPECT_EQ(entries().size(), 1u) << "a temporary file was left behind";
}

// An append that cannot take its turn in time says so and writes nothing.
TEST_F(ReportFileFaults, AnAppendThatCannotTakeItsTurnFailsWithTheReason) {
  const fs::path file = dir_ / "BUSY.RTF";
  ASSERT_EQ(appendToRichTextFile(file, entry(1, Language::English)), AppendOutcome::Created);
  const std::string before = contents(file);
  const int holder = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  AppendOptions options;
  options.lockWait = std::chrono::milliseconds(0);
  try {
    appendToRichTextFile(file, entry(2, Language::English), options);
    ADD_FAILURE() << "appended while another holder had the file";
  } catch (const RichTextFileError& error) {
    EXPECT_NE(std::string(error.what()).find("another program kept it locked"), std::string::npos) << error.what();
  }
  EXPECT_EQ(contents(file), before);
  ::close(holder);
  EXPECT_EQ(appendToRichTextFile(file, entry(2, Language::English), options), AppendOutcome::Appended);
}

}  // namespace
}  // namespace solwire
