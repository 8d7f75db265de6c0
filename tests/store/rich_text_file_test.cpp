#include "store/rich_text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/file_size_limit.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

class RichTextFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "solwire-rtf-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }

  static std::string contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
  }
  static void put(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    return names;
  }
  static RichTextDocument report(int lines) {
    RichTextDocument document;
    for (int i = 0; i < lines; ++i) {
      document.appendRun("KVRD 数据\t" + std::to_string(i), 13, kBlue);
      document.endParagraph();
    }
    return document;
  }

  fs::path dir_;
};

TEST_F(RichTextFile, SavesAtomicallyAndLoadsTheSameDocument) {
  const fs::path file = dir_ / "REPORT.RTF";
  saveRichTextFile(file, report(3));
  EXPECT_EQ(loadRichTextFile(file), report(3));
  EXPECT_TRUE(contents(file).starts_with("{\\rtf1"));

  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  saveRichTextFile(file, report(5));
  EXPECT_EQ(loadRichTextFile(file), report(5));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(entries(), std::vector<std::string>{"REPORT.RTF"});  // no temporary file left behind
}

using test::FileSizeLimit;

TEST_F(RichTextFile, AFailedWriteLeavesTheOldFileIntact) {
  const fs::path file = dir_ / "LOG.RTF";
  saveRichTextFile(file, report(2));
  const std::string before = contents(file);
  try {
    const FileSizeLimit limit(4096);
    saveRichTextFile(file, report(2000));
    ADD_FAILURE() << "the write beyond the file size limit succeeded";
  } catch (const RichTextFileError& error) {
    EXPECT_EQ(error.path(), file);
    EXPECT_NE(std::string(error.what()).find(file.string() + ": cannot write"), std::string::npos) << error.what();
    EXPECT_NE(error.reason().find("File too large"), std::string::npos) << error.reason();
  }
  EXPECT_EQ(contents(file), before);
  EXPECT_EQ(entries(), std::vector<std::string>{"LOG.RTF"});
}

TEST_F(RichTextFile, AnUnwritableDirectoryLeavesTheOldFileIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "directory permissions do not bind root";
  const fs::path file = dir_ / "LOG.RTF";
  saveRichTextFile(file, report(2));
  fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_THROW(saveRichTextFile(file, report(3)), RichTextFileError);
  EXPECT_EQ(loadRichTextFile(file), report(2));
}

TEST_F(RichTextFile, ErrorsNameTheFileAndTheReason) {
  const fs::path missing = dir_ / "nowhere" / "REPORT.RTF";
  const auto messageOf = [](auto&& operation) {
    try {
      operation();
    } catch (const RichTextFileError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(messageOf([&] { saveRichTextFile(missing, report(1)); }),
            missing.string() + ": cannot create a temporary file in " + (dir_ / "nowhere").string() +
                ": No such file or directory");
  EXPECT_EQ(messageOf([&] { loadRichTextFile(missing); }), missing.string() + ": cannot open: No such file or directory");
  EXPECT_EQ(messageOf([&] { loadRichTextFile(dir_); }), dir_.string() + ": cannot read: Is a directory");
}

TEST_F(RichTextFile, PlainTextFilesLoadAsTextOneParagraphPerLine) {
  const TextFormat format{11, kBlack, false, false};
  put(dir_ / "utf8.txt", "\xEF\xBB\xBFline 1\r\n电池\tV\n");
  const RichTextDocument utf8 = loadRichTextFile(dir_ / "utf8.txt", format);
  EXPECT_EQ(utf8.plainText(), "line 1\n电池\tV\n");
  EXPECT_EQ(utf8.paragraphs()[1].runs[0].format, format);

  put(dir_ / "latin.txt", "caf\xE9 \x80");
  EXPECT_EQ(loadRichTextFile(dir_ / "latin.txt").plainText(), "café €");
}

}  // namespace
}  // namespace solwire
