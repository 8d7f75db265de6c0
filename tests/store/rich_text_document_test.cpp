#include "store/rich_text_document.h"

#include <gtest/gtest.h>

#include <string>

namespace solwire {
namespace {

const TextFormat kSmall{10, kBlack, false, false};
const TextFormat kBlueHeader{13, kBlue, true, false};

TEST(RichTextDocument, StartsAndClearsToOneEmptyParagraph) {
  RichTextDocument document;
  EXPECT_TRUE(document.empty());
  EXPECT_EQ(document.paragraphs().size(), 1u);
  document.appendRun("text", kSmall);
  document.endParagraph();
  EXPECT_FALSE(document.empty());
  EXPECT_EQ(document.plainText(), "text\n");
  document.clear();
  EXPECT_TRUE(document.empty());
  EXPECT_EQ(document.plainText(), "");
}

TEST(RichTextDocument, MergesRunsOnlyWhenTheFormatIsTheSame) {
  RichTextDocument document;
  document.appendRun("KVRD ", kBlueHeader);
  document.appendRun("DATA", kBlueHeader);
  document.appendRun("\t12.5", 10.0);
  document.appendRun("", kBlueHeader);  // adds nothing, not even an empty run
  ASSERT_EQ(document.paragraphs().size(), 1u);
  const auto& runs = document.paragraphs()[0].runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], (TextRun{"KVRD DATA", kBlueHeader}));
  EXPECT_EQ(runs[1], (TextRun{"\t12.5", kSmall}));
}

TEST(RichTextDocument, LineBreaksEndParagraphsAndControlCharactersAreDropped) {
  RichTextDocument document;
  const char raw[] = "a\r\nb\rc\nd\x01\x7F\xC2\x85\te\0f";  // \xC2\x85 is U+0085
  const std::string text(raw, sizeof raw - 1);
  document.appendRun(text, kBlueHeader);
  ASSERT_EQ(document.paragraphs().size(), 4u);
  EXPECT_EQ(document.plainText(), "a\nb\nc\nd\tef");
  EXPECT_EQ(document.paragraphs()[3].runs[0].format, kBlueHeader);

  RichTextDocument invalid;
  invalid.appendRun("ok \xFF\xE4\xB8 中", kSmall);
  EXPECT_EQ(invalid.plainText(), "ok \uFFFD\uFFFD\uFFFD 中");  // one per byte that is no character
}

TEST(RichTextDocument, AppendingContinuesTheCurrentParagraph) {
  RichTextDocument log;
  log.appendRun("first entry", kSmall);
  RichTextDocument entry;
  entry.appendRun(" continued", kSmall);
  entry.endParagraph();
  entry.appendRun("KVRD 数据", kBlueHeader);
  log.append(entry);
  EXPECT_EQ(log.plainText(), "first entry continued\nKVRD 数据");
  ASSERT_EQ(log.paragraphs()[0].runs.size(), 1u);  // merged with the run it continues

  log.append(log);
  EXPECT_EQ(log.plainText(), "first entry continued\nKVRD 数据first entry continued\nKVRD 数据");
}

}  // namespace
}  // namespace solwire
