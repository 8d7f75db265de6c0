#include "store/report_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "store/append_check.h"
#include "store/report_composer.h"
#include "store/rtf_writer.h"
#include "tests/store/report_file_fixture.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;
using test::ReportFileFixture;

// Each body written by writeRtfBody starts with this reset: one per document
// written whole, one more per addition put in without rewriting the file.
int bodyCount(const std::string& rtf) {
  int n = 0;
  for (auto at = rtf.find("\\pard\\plain"); at != std::string::npos; at = rtf.find("\\pard\\plain", at + 1)) ++n;
  return n;
}

// The same addition through appendToRichTextFile and, on a copy, through
// loading, appending and saving the whole document.
class ReportFileAppend : public ReportFileFixture {
 protected:
  // Appends both ways; returns what the copy loads as.
  RichTextDocument appendBothWays(const fs::path& file, const RichTextDocument& addition) {
    const fs::path copy = dir_ / ".whole-document-copy";
    fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
    RichTextDocument document = loadRichTextFile(copy);
    document.append(addition);
    saveRichTextFile(copy, document);
    EXPECT_EQ(appendToRichTextFile(file, addition), AppendOutcome::Appended);
    RichTextDocument expected = loadRichTextFile(copy);
    fs::remove(copy);
    return expected;
  }
};

TEST_F(ReportFileAppend, LogEntriesInThreeLanguagesReadAsLoadingAndAppendingWould) {
  const fs::path file = dir_ / "LOG.RTF";
  ASSERT_EQ(appendToRichTextFile(file, entry(0, Language::English)), AppendOutcome::Created);
  RichTextDocument whole = loadRichTextFile(file);
  const std::string headerBefore = contents(file).substr(0, 200);
  for (int i = 1; i < 9; ++i) {
    const RichTextDocument addition = entry(i, static_cast<Language>(i % 3));
    const RichTextDocument expected = appendBothWays(file, addition);
    ASSERT_EQ(loadRichTextFile(file), expected) << "after entry " << i;
    whole.append(addition);
  }
  EXPECT_EQ(loadRichTextFile(file), whole);
  const std::string text = loadRichTextFile(file).plainText();
  EXPECT_NE(text.find("KVRD DATA"), std::string::npos);
  EXPECT_NE(text.find("Tension de Pile"), std::string::npos);
  EXPECT_NE(text.find("KVRD 数据"), std::string::npos);
  EXPECT_NE(text.find("电池电压"), std::string::npos);
  // Only the body grew: the tables at the start were already complete.
  EXPECT_EQ(contents(file).substr(0, 200), headerBefore);
  EXPECT_EQ(bodyCount(contents(file)), 9) << "the entries were not added without rewriting";
}

TEST_F(ReportFileAppend, EarlierReportsKeepTheirTextAndFormatting) {
  const fs::path file = dir_ / "DATA.RTF";
  RichTextDocument first = report(Language::Chinese);
  ASSERT_EQ(appendToRichTextFile(file, first), AppendOutcome::Created);
  const RichTextDocument before = loadRichTextFile(file);
  appendToRichTextFile(file, report(Language::French));
  const RichTextDocument after = loadRichTextFile(file);
  ASSERT_GT(after.paragraphs().size(), before.paragraphs().size());
  for (std::size_t i = 0; i < before.paragraphs().size(); ++i) {
    EXPECT_EQ(after.paragraphs()[i], before.paragraphs()[i]) << "paragraph " << i;
  }
  EXPECT_EQ(after.fontName(), before.fontName());
}

TEST_F(ReportFileAppend, NewColoursFacesAndLayoutsExtendTheTablesAndKeepOldIndices) {
  const fs::path file = dir_ / "MIXED.RTF";
  ASSERT_EQ(appendToRichTextFile(file, entry(1, Language::English)), AppendOutcome::Created);
  RichTextDocument extra;
  extra.endParagraph();
  extra.setParagraphFormat(ParagraphFormat{Alignment::Centre, 360, 0, -180, 40, 80});
  extra.appendRun("green {bold} \\ tab\there", TextFormat{11.5, Rgb{0, 128, 0}, true, false});
  extra.appendRun(" Courier 中文 😀", TextFormat{9, kRed, false, true, "Courier New", FontKind::Monospace});
  extra.endParagraph();
  extra.appendRun("line\xE2\x80\xA8" "break café", TextFormat{10, kBlue, false, false, "Ünï;code", FontKind::Serif});
  for (int round = 0; round < 2; ++round) {
    const RichTextDocument expected = appendBothWays(file, extra);
    EXPECT_EQ(loadRichTextFile(file), expected) << "round " << round;
  }
  EXPECT_EQ(loadRichTextFile(file), appendBothWays(file, entry(2, Language::Chinese)));
  EXPECT_EQ(bodyCount(contents(file)), 4);
}

TEST_F(ReportFileAppend, AnOwnFileChangedByHandIsLoadedAndWrittenWhole) {
  const std::string own = writeRtf(entry(1, Language::Chinese));
  const std::size_t body = own.find("\\pard\\plain");
  const std::size_t end = own.rfind('}');
  const std::vector<std::pair<std::string, std::string>> variants{
      {"skip-count", own.substr(0, body) + "\\uc0 " + own.substr(body)},
      {"group", own.substr(0, end) + "{\\i italic}\\par\n}"},
      {"hidden", own.substr(0, end) + "\\v hidden\\par\n}"},
      {"unknown-colour", own.substr(0, end) + "\\cf9 nine\\par\n}"},
      {"unended-paragraph", own.substr(0, end) + "tail}"},
      {"escaped-backslash-then-par", own.substr(0, end) + "tail\\\\par\n}"},
      {"fallback-missing", own.substr(0, end) + "\\u20013\\par\n}"},
      {"other-generator", [&] {
         std::string changed = own;
         changed.replace(changed.find("Solwire"), 7, "Writer");
         return changed;
       }()},
  };
  for (const auto& [name, bytes] : variants) {
    const fs::path file = dir_ / name;
    put(file, bytes);
    EXPECT_EQ(loadRichTextFile(file), appendBothWays(file, entry(2, Language::English))) << name;
    EXPECT_EQ(bodyCount(contents(file)), 1) << name;
  }
  const fs::path spaced = dir_ / "trailing-space";
  put(spaced, own + "\n\n  ");
  EXPECT_EQ(loadRichTextFile(spaced), appendBothWays(spaced, entry(2, Language::English)));
  EXPECT_EQ(bodyCount(contents(spaced)), 2);
}

// Files written before the tab spacing was in the header are still our own:
// entries go in without rewriting them, and each file keeps its spacing.
TEST_F(ReportFileAppend, OwnFilesWithAndWithoutTheTabSpacingTakeEntriesWithoutARewrite) {
  const std::string current = writeRtf(entry(1, Language::Chinese));
  std::string old = current;
  old.erase(old.find("\\deftab720"), 10);
  RichTextDocument otherTabs = entry(1, Language::English);
  otherTabs.setDefaultTabTwips(425);
  for (const auto& [name, bytes, tabs] : {std::tuple{"CURRENT.RTF", current, 720}, std::tuple{"OLD.RTF", old, 720},
                                         std::tuple{"OTHER.RTF", writeRtf(otherTabs), 425}}) {
    SCOPED_TRACE(name);
    const fs::path file = dir_ / name;
    put(file, bytes);
    EXPECT_EQ(loadRichTextFile(file), appendBothWays(file, entry(2, Language::French)));
    EXPECT_EQ(bodyCount(contents(file)), 2) << "the entry was not added without rewriting";
    EXPECT_EQ(loadRichTextFile(file).defaultTabTwips(), tabs);
  }
}

TEST_F(ReportFileAppend, AnAdditionThatContinuesTheLastLineIsAppendedTheSlowWay) {
  const fs::path file = dir_ / "CONT.RTF";
  ASSERT_EQ(appendToRichTextFile(file, entry(1, Language::French)), AppendOutcome::Created);
  RichTextDocument tail;
  tail.appendRun(" and more", 14, kRed);
  tail.endParagraph();
  tail.appendRun("next", 10, kBlack);
  const RichTextDocument expected = appendBothWays(file, tail);
  EXPECT_EQ(loadRichTextFile(file), expected);
  EXPECT_NE(loadRichTextFile(file).plainText().find("Ah. and more\nnext"), std::string::npos);
  EXPECT_EQ(bodyCount(contents(file)), 1);
}

TEST_F(ReportFileAppend, FilesFromElsewhereAreLoadedAndRewrittenWithTheirText) {
  const std::vector<std::pair<std::string, std::string>> files{
      {"plain.txt", "first line\r\nsecond\tline\n"},
      {"latin1.txt", "caf\xE9 cr\xE8me\n"},
      {"utf8.txt", "\xEF\xBB\xBF" "中文 text"},
      {"empty.txt", ""},
      {"other.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}{\\*\\generator X;}\\f0\\fs24 Hello \\b world\\b0\\par}"},
      {"own-but-other-cjk.rtf", writeRtf(entry(3, Language::Chinese), RtfWriteOptions{"Noto Sans CJK SC"})},
  };
  for (const auto& [name, bytes] : files) {
    const fs::path file = dir_ / name;
    put(file, bytes);
    const RichTextDocument expected = appendBothWays(file, entry(4, Language::English));
    EXPECT_EQ(loadRichTextFile(file), expected) << name;
    EXPECT_TRUE(contents(file).starts_with("{\\rtf1")) << name;
  }
  EXPECT_NE(loadRichTextFile(dir_ / "latin1.txt").plainText().find("café crème"), std::string::npos);
  EXPECT_NE(loadRichTextFile(dir_ / "utf8.txt").plainText().find("中文 text"), std::string::npos);
}

// Some editors put a UTF-8 byte order mark before the document; it is no text.
TEST_F(ReportFileAppend, AByteOrderMarkBeforeTheDocumentStaysOutOfTheText) {
  const std::string bom = "\xEF\xBB\xBF";
  const fs::path own = dir_ / "OWN.RTF";
  put(own, bom + writeRtf(entry(1, Language::English)));
  const fs::path other = dir_ / "OTHER.RTF";
  put(other, bom + "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 Hello\\par}");
  for (const fs::path& file : {own, other}) {
    const std::string before = loadRichTextFile(file).plainText();
    ASSERT_EQ(appendToRichTextFile(file, entry(2, Language::Chinese)), AppendOutcome::Appended);
    const std::string after = loadRichTextFile(file).plainText();
    EXPECT_TRUE(after.starts_with(before)) << file.filename() << ": " << after.substr(0, 40);
    EXPECT_EQ(after.find("\u00ef\u00bb\u00bf"), std::string::npos) << file.filename();
    EXPECT_EQ(after.find(bom), std::string::npos) << file.filename();
    EXPECT_NE(after.find(entry(2, Language::Chinese).plainText()), std::string::npos) << file.filename();
  }
  EXPECT_TRUE(loadRichTextFile(other).plainText().starts_with("Hello"));
  EXPECT_TRUE(contents(own).starts_with(bom + "{\\rtf1"));
  EXPECT_EQ(bodyCount(contents(own)), 2) << "the entry was not added without rewriting";
}

TEST_F(ReportFileAppend, SavingTwiceToOneNameLeavesTwoReportsInOrder) {
  const fs::path file = dir_ / "TWICE";
  ASSERT_EQ(appendToRichTextFile(file, report(Language::English)), AppendOutcome::Created);
  ASSERT_EQ(appendToRichTextFile(file, report(Language::Chinese)), AppendOutcome::Appended);
  RichTextDocument both;
  both.append(report(Language::English));
  both.append(report(Language::Chinese));
  EXPECT_EQ(loadRichTextFile(file).plainText(), both.plainText());
  const std::string text = loadRichTextFile(file).plainText();
  const auto english = text.find("KVRD DATA");
  const auto chinese = text.find("KVRD 数据");
  ASSERT_NE(english, std::string::npos);
  ASSERT_NE(chinese, std::string::npos);
  EXPECT_LT(english, chinese);
  EXPECT_EQ(text.find("KVRD", english + 1), chinese);
}

TEST_F(ReportFileAppend, ANewFileNeedsMoreThan2000BytesFree) {
  AppendOptions options;
  std::uintmax_t free = kMinFreeBytesForNewFile;
  options.freeBytes = [&free](const fs::path&) { return free; };
  const fs::path file = dir_ / "NEW.RTF";
  EXPECT_EQ(appendToRichTextFile(file, entry(1, Language::English), options), AppendOutcome::NoRoomForNewFile);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(entries(), std::vector<std::string>{});
  free = kMinFreeBytesForNewFile + 1;
  EXPECT_EQ(appendToRichTextFile(file, entry(1, Language::English), options), AppendOutcome::Created);
  // An existing file is added to however little room is left.
  free = 0;
  EXPECT_EQ(appendToRichTextFile(file, entry(2, Language::English), options), AppendOutcome::Appended);
}

// Files that cannot be extended without losing what they hold: refused with
// the reason, and left exactly as they were.
class HostileFile : public ReportFileFixture {
 protected:
  void expectRefused(const std::string& name, const std::string& bytes, const std::string& reason) {
    const fs::path file = dir_ / name;
    put(file, bytes);
    try {
      appendToRichTextFile(file, entry(1, Language::English));
      ADD_FAILURE() << name << ": the append succeeded";
    } catch (const RichTextFileError& error) {
      EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << name << ": " << error.what();
      EXPECT_TRUE(error.reason().starts_with("not a document Solwire can add to: ")) << error.what();
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
    EXPECT_EQ(contents(file), bytes) << name;
    EXPECT_EQ(entries().size(), 1u + refused_++) << "a temporary file was left behind";
  }

  std::string ownFile() const { return writeRtf(entry(2, Language::Chinese)); }

 private:
  std::size_t refused_ = 0;
};

TEST_F(HostileFile, BrokenStructureIsRefused) {
  const std::string own = ownFile();
  expectRefused("open.rtf", "{\\rtf1 text {\\b more", "2 group(s) never close");
  expectRefused("truncated.rtf", own.substr(0, own.size() / 2), "truncated");
  expectRefused("extra-close.rtf", "{\\rtf1 text}} more", "after the end of the document");
  expectRefused("deep.rtf", "{\\rtf1 " + std::string(5000, '{') + "x" + std::string(5000, '}') + "}",
                "nested deeper than 1000");
  expectRefused("huge-number.rtf", "{\\rtf1 \\fs99999999999 big}", "out of range in \\fs99999999999");
  expectRefused("huge-unicode.rtf", "{\\rtf1 \\u99999? x}", "out of range in \\u99999");
  expectRefused("huge-bin.rtf", "{\\rtf1 {\\*\\blob\\bin4000000000 ab}}", "runs past the end of the file");
  expectRefused("bin.rtf", "{\\rtf1 {\\*\\blob\\bin3 {{{}}", "binary data (\\bin)");
  expectRefused("nul-in-rtf.rtf", std::string("{\\rtf1 a\0b}", 11), "binary data (byte 0x00 at offset 8)");
  expectRefused("long-word.rtf", "{\\rtf1 \\" + std::string(40, 'x') + " y}", "longer than 32 letters");
  expectRefused("broken-escape.rtf", "{\\rtf1 caf\\'g9}", "character escape");
  expectRefused("picture.rtf", "{\\rtf1 a{\\pict\\pngblip 89504e47}b}", "a picture");
  expectRefused("header.rtf", "{\\rtf1 {\\header Page}body}", "page header or footer");
  expectRefused("footnote.rtf", "{\\rtf1 a{\\footnote note}}", "a footnote");
  expectRefused("ends-in-word.rtf", "{\\rtf1 a\\", "ends inside a control word");
  expectRefused("binary.dat", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), "neither RTF nor text");
  expectRefused("control.txt", "log\x1B[31m red\n", "byte 0x1B at offset 3");
}

// Another program's formatting that the reader does not keep would be lost
// in the rewrite; formatting turned off, or defined in a style sheet or a
// group readers may skip, is no loss.
TEST_F(HostileFile, FormattingThatWouldBeLostIsRefused) {
  const std::string start = "{\\rtf1\\ansi{\\fonttbl{\\f0 Times;}}\\f0 ";
  expectRefused("underline.rtf", start + "plain {\\ul underlined} text\\par}", "it has underlined text");
  expectRefused("double-underline.rtf", start + "\\uldb twice\\par}", "underlined text");
  expectRefused("strike.rtf", start + "\\strike gone\\strike0\\par}", "struck-through text");
  expectRefused("table.rtf", start + "\\trowd\\cellx2000\\intbl a\\cell b\\cell\\row}", "a table");
  expectRefused("info.rtf", "{\\rtf1{\\info{\\title Site 3}{\\author M. Ops}} text\\par}", "document information");
  expectRefused("margins.rtf", "{\\rtf1\\margl1134\\margr1134 text\\par}", "page margins");
  expectRefused("superscript.rtf", start + "m{\\super 2}\\par}", "raised or lowered text");
  expectRefused("word-processor.rtf", contents(fs::path(SOLWIRE_STORE_TEST_DATA) / "libreoffice_sample.rtf"),
                "a page size");

  const std::vector<std::string> kept{
      start + "\\ul0 a\\ulnone b\\strike0 c\\par}",
      "{\\rtf1{\\stylesheet{\\s1\\ul\\strike Emphasis;}}{\\*\\pgdsctbl{\\pgdsc0\\marglsxn1134 Default;}} text\\par}",
      "{\\rtf1{\\info{\\creatim\\yr2026\\mo12}} text\\par}",
  };
  for (const std::string& bytes : kept) EXPECT_EQ(whyNotExtensible(bytes), std::nullopt) << bytes;
}

TEST_F(HostileFile, TheMessageSaysWhatIsWrong) {
  const fs::path file = dir_ / "LOG.RTF";
  put(file, "{\\rtf1 {\\b text}");
  try {
    appendToRichTextFile(file, entry(1, Language::English));
    FAIL() << "the append succeeded";
  } catch (const RichTextFileError& error) {
    EXPECT_EQ(error.reason(),
              "not a document Solwire can add to: it is truncated or its braces are unbalanced: 1 group(s) never "
              "close");
    EXPECT_EQ(error.path(), file);
  }
}

TEST_F(HostileFile, AFolderAnOversizedFileAndAnUnreadableFileAreRefused) {
  const fs::path folder = dir_ / "FOLDER";
  fs::create_directory(folder);
  EXPECT_THROW(
      {
        try {
          appendToRichTextFile(folder, entry(1, Language::English));
        } catch (const RichTextFileError& error) {
          EXPECT_NE(std::string(error.what()).find("is a folder"), std::string::npos) << error.what();
          throw;
        }
      },
      RichTextFileError);
  EXPECT_TRUE(fs::is_directory(folder));

  // A sparse file: over the limit without using the disk.
  const fs::path big = dir_ / "BIG.RTF";
  put(big, "{\\rtf1 ");
  fs::resize_file(big, kMaxRichTextFileBytes + 1);
  try {
    appendToRichTextFile(big, entry(1, Language::English));
    ADD_FAILURE() << "the oversized file was read";
  } catch (const RichTextFileError& error) {
    EXPECT_NE(std::string(error.what()).find("is larger than 268435456 bytes"), std::string::npos) << error.what();
  }
  EXPECT_EQ(fs::file_size(big), kMaxRichTextFileBytes + 1);
  fs::remove(big);

  const fs::path locked = dir_ / "LOCKED.RTF";
  const std::string bytes = writeRtf(entry(1, Language::French));
  put(locked, bytes);
  ::chmod(locked.c_str(), 0200);
  // Run as an ordinary user: the superuser reads files whatever their mode.
  ::chmod(dir_.c_str(), 0777);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    try {
      appendToRichTextFile(locked, entry(2, Language::French));
    } catch (const RichTextFileError& error) {
      ::_exit(std::string(error.what()).find("cannot open: Permission denied") != std::string::npos ? 0 : 2);
    }
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: appended, 2: another error, 3: could not drop privileges";
  ::chmod(locked.c_str(), 0600);
  EXPECT_EQ(contents(locked), bytes);
}

}  // namespace
}  // namespace solwire
