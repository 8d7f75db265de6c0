// Adding to a file this program wrote in place: the file keeps its bytes and
// its inode, reads as loading, adding and saving would give, and a crash or a
// power cut at any byte of an append leaves the entries that were there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "store/append_check.h"
#include "store/in_place_append.h"
#include "store/own_rtf_body.h"
#include "store/report_file.h"
#include "store/rtf_writer.h"
#include "tests/store/report_file_fixture.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::ReportFileFixture;

ino_t inodeOf(const fs::path& file) {
  struct stat info {};
  return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

RichTextDocument joined(std::initializer_list<RichTextDocument> parts) {
  RichTextDocument document;
  for (const RichTextDocument& part : parts) document.append(part);
  return document;
}

class InPlaceAppend : public ReportFileFixture {
 protected:
  // A file of two entries made by appends, and the same file after a third.
  void SetUp() override {
    ReportFileFixture::SetUp();
    file_ = dir_ / "LOG.RTF";
    ASSERT_EQ(appendToRichTextFile(file_, entry(1, Language::English)), AppendOutcome::Created);
    ASSERT_EQ(appendToRichTextFile(file_, entry(2, Language::Chinese)), AppendOutcome::Appended);
    before_ = contents(file_);
    ASSERT_EQ(appendToRichTextFile(file_, entry(3, Language::French)), AppendOutcome::Appended);
    after_ = contents(file_);
    brace_ = *closingBrace(before_);
  }

  RichTextDocument documentOf(const std::string& bytes) {
    put(scratch(), bytes);
    return loadRichTextFile(scratch());
  }
  fs::path scratch() const { return dir_ / "SCRATCH.RTF"; }

  fs::path file_;
  std::string before_;
  std::string after_;
  std::size_t brace_ = 0;
};

TEST_F(InPlaceAppend, TheFileKeepsItsBytesAndInodeAndReadsAsAWholeRewriteWould) {
  EXPECT_EQ(after_.substr(0, brace_), before_.substr(0, brace_)) << "bytes before the old end changed";
  const ino_t inode = inodeOf(file_);
  fs::create_hard_link(file_, dir_ / "OTHER-NAME.RTF");
  ASSERT_EQ(appendToRichTextFile(file_, entry(4, Language::English)), AppendOutcome::Appended);
  EXPECT_EQ(inodeOf(file_), inode);
  EXPECT_EQ(fs::hard_link_count(file_), 2u);
  EXPECT_EQ(loadRichTextFile(file_), joined({entry(1, Language::English), entry(2, Language::Chinese),
                                             entry(3, Language::French), entry(4, Language::English)}));
  EXPECT_EQ(whyNotExtensible(contents(file_)), std::nullopt);
  EXPECT_EQ(entries().size(), 2u);
}

// A file written before entries were marked, or by saving a whole document,
// is rewritten once with its entries marked; later appends go in place.
TEST_F(InPlaceAppend, AnUnmarkedFileIsRewrittenOnceThenAddedToInPlace) {
  const fs::path old = dir_ / "OLD.RTF";
  put(old, writeRtf(joined({entry(5, Language::English), entry(6, Language::Chinese)})));
  const ino_t original = inodeOf(old);
  ASSERT_EQ(appendToRichTextFile(old, entry(7, Language::French)), AppendOutcome::Appended);
  const ino_t rewritten = inodeOf(old);
  EXPECT_NE(rewritten, original);
  ASSERT_EQ(appendToRichTextFile(old, entry(8, Language::English)), AppendOutcome::Appended);
  EXPECT_EQ(inodeOf(old), rewritten);
  EXPECT_EQ(loadRichTextFile(old), joined({entry(5, Language::English), entry(6, Language::Chinese),
                                           entry(7, Language::French), entry(8, Language::English)}));
}

// A power cut keeps some first part of what the append wrote where the old
// brace stood. Cut the finished file at every byte from there on: it loads
// with two or three whole entries, and the next append repairs it and adds.
TEST_F(InPlaceAppend, APowerCutAtAnyByteOfTheLastEntryLosesNoEarlierEntry) {
  const RichTextDocument two = joined({entry(1, Language::English), entry(2, Language::Chinese)});
  const RichTextDocument three = joined({two, entry(3, Language::French)});
  const RichTextDocument extra = entry(9, Language::English);
  for (std::size_t cut = brace_; cut < after_.size(); ++cut) {
    const std::string torn = after_.substr(0, cut);
    const RichTextDocument loaded = documentOf(torn);
    const bool third = cut >= after_.size() - kRtfTrailer.size();  // its mark is there
    ASSERT_EQ(loaded, third ? three : two) << "cut at " << cut << " of " << after_.size();
    if (cut % 11 != 0 && !third) continue;  // the repair is the same between marks
    put(file_, torn);
    ASSERT_EQ(appendToRichTextFile(file_, extra), AppendOutcome::Appended) << cut;
    ASSERT_EQ(loadRichTextFile(file_), joined({third ? three : two, extra})) << "cut at " << cut;
    ASSERT_EQ(whyNotExtensible(contents(file_)), std::nullopt) << "cut at " << cut;
  }
}

// Killed after its first step, an append has written its entry past the old
// brace, which still ends the document: those bytes are cut off.
TEST_F(InPlaceAppend, AnAppendStoppedAfterItsFirstStepIsCutOff) {
  const RichTextDocument two = joined({entry(1, Language::English), entry(2, Language::Chinese)});
  const std::string written = after_.substr(brace_ + 1);
  for (std::size_t length = 0; length <= written.size(); length += length < 40 ? 1 : 97) {
    const std::string stopped = before_.substr(0, brace_ + 1) + written.substr(0, length);
    ASSERT_EQ(documentOf(stopped), two) << length;
    put(file_, stopped);
    ASSERT_EQ(appendToRichTextFile(file_, entry(9, Language::English)), AppendOutcome::Appended) << length;
    ASSERT_EQ(loadRichTextFile(file_), joined({two, entry(9, Language::English)})) << length;
  }
}

// Only what an append leaves is cut: an own file that ends otherwise is left
// to the whole-file way, which keeps what it can read and refuses the rest.
TEST_F(InPlaceAppend, AFileChangedByHandIsNeverCut) {
  const std::string grouped = before_.substr(0, brace_) + "{\\i by hand}\\par\n\n}\n";
  const std::string unended = before_.substr(0, brace_) + "\\pard typed by hand";
  put(file_, grouped);
  ASSERT_EQ(appendToRichTextFile(file_, entry(9, Language::English)), AppendOutcome::Appended);
  const std::string text = loadRichTextFile(file_).plainText();
  EXPECT_TRUE(text.ends_with("by hand" + entry(9, Language::English).plainText())) << text;
  put(file_, unended);
  EXPECT_THROW(appendToRichTextFile(file_, entry(9, Language::English)), RichTextFileError);
  EXPECT_EQ(contents(file_), unended);
  EXPECT_EQ(repairedOwnFile(unended), std::nullopt);
}

}  // namespace
}  // namespace solwire
