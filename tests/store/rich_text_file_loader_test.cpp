// Reading a file a piece at a time, in the caller's thread and in a worker:
// the pieces make the document loading gives, in order, with the reading
// position rising to the end; what cannot be shown is a problem and no
// piece; a read given up on hands over nothing more.
#include "store/rich_text_file_loader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "store/rich_text_file.h"
#include "store/rtf_writer.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A log of a few hundred kilobytes: many pieces.
RichTextDocument longDocument() {
  RichTextDocument document;
  document.setDefaultTabTwips(567);
  for (int line = 0; line < 6000; ++line) {
    document.appendRun("entry " + std::to_string(line) + "\t", 10, kRed);
    document.appendRun("数据\t12.5 V", 13, kBlue);
    document.endParagraph();
  }
  return document;
}

class PieceReading : public ::testing::Test {
 protected:
  fs::path put(const char* name, const std::string& bytes) const {
    const fs::path path = fs::path(dir_.path().toStdString()) / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // The pieces put together; checks their order marks on the way.
  static RichTextDocument joined(const std::vector<RichTextPiece>& pieces) {
    std::vector<Paragraph> paragraphs;
    std::size_t done = 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      EXPECT_GE(pieces[i].bytesDone, done);
      EXPECT_EQ(pieces[i].last, i + 1 == pieces.size());
      done = pieces[i].bytesDone;
      paragraphs.insert(paragraphs.end(), pieces[i].paragraphs.begin(), pieces[i].paragraphs.end());
    }
    if (!pieces.empty()) {
      EXPECT_EQ(pieces.back().bytesDone, pieces.back().bytesTotal);
    }
    RichTextDocument document(std::move(paragraphs));
    if (!pieces.empty()) {
      document.setFontName(pieces.back().fontName);
      document.setDefaultTabTwips(pieces.back().defaultTabTwips);
    }
    return document;
  }

  QTemporaryDir dir_;
  std::atomic<bool> stop_{false};
};

TEST_F(PieceReading, RtfAndPlainTextComeInPiecesThatMakeTheLoadedDocument) {
  TextFormat plain{11, kBlack, false, false, "DejaVu Sans"};
  std::string text;
  for (int line = 0; line < 9000; ++line) text += "line " + std::to_string(line) + "\tcaf\xE9\r\n";  // code page 1252
  for (const fs::path& file : {put("LOG.RTF", writeRtf(longDocument())), put("NOTES.TXT", text),
                               put("EMPTY.TXT", "")}) {
    SCOPED_TRACE(file.string());
    std::vector<RichTextPiece> pieces;
    const PieceReadOutcome outcome = readRichTextFileInPieces(
        file, PieceReadOptions{plain, 1024, 16 * 1024}, stop_, [&](RichTextPiece piece) { pieces.push_back(piece); });
    EXPECT_EQ(outcome.problem, FileShowProblem::None);
    EXPECT_EQ(joined(pieces), loadRichTextFile(file, plain));
    if (fs::file_size(file) > 0) {
      EXPECT_GT(pieces.size(), 3u);
    }
  }
}

TEST_F(PieceReading, WhatCannotBeShownIsAProblemAndNoPiece) {
  const std::vector<std::tuple<fs::path, FileShowProblem, std::string>> cases{
      {dir_.path().toStdString() + "/MISSING", FileShowProblem::Missing, ""},
      {dir_.path().toStdString(), FileShowProblem::NotADataFile, ""},
      {put("BINARY", std::string("MZ\0\0\x90", 5)), FileShowProblem::NotADataFile, ""},
      {"/proc/self/mem", FileShowProblem::Unreadable, "cannot read: Input/output error"},
  };
  for (const auto& [file, problem, reason] : cases) {
    SCOPED_TRACE(file.string());
    int pieces = 0;
    const PieceReadOutcome outcome =
        readRichTextFileInPieces(file, {}, stop_, [&](RichTextPiece) { ++pieces; });
    EXPECT_EQ(outcome.problem, problem);
    EXPECT_EQ(outcome.reason, reason);
    EXPECT_EQ(pieces, 0);
  }
}

TEST_F(PieceReading, StopsHandingOverPiecesOnceToldTo) {
  const fs::path file = put("LOG.RTF", writeRtf(longDocument()));
  int pieces = 0;
  readRichTextFileInPieces(file, PieceReadOptions{{}, 1024, 1024}, stop_, [&](RichTextPiece) {
    if (++pieces == 3) stop_ = true;
  });
  EXPECT_EQ(pieces, 3);
}

// ---- In a worker ----

class Loader : public PieceReading {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "store_tests";
      static char* argv[] = {name, nullptr};
      application_ = std::make_unique<QCoreApplication>(argc, argv);
    }
  }
  static void TearDownTestSuite() { application_.reset(); }

  static bool runUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(60s);
    while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  RichTextFileLoader::PieceArrived collectInto(std::vector<RichTextPiece>& pieces) {
    return [&pieces](RichTextPiece& piece) { pieces.push_back(std::move(piece)); };
  }
  static RichTextFileLoader::ProblemFound failOnProblem() {
    return [](FileShowProblem problem, const std::string& reason) {
      ADD_FAILURE() << "problem " << static_cast<int>(problem) << ": " << reason;
    };
  }

 private:
  static inline std::unique_ptr<QCoreApplication> application_;
};

TEST_F(Loader, HandsThePiecesOverOnItsOwnThreadAndThenIsIdle) {
  const fs::path file = put("LOG.RTF", writeRtf(longDocument()));
  RichTextFileLoader loader;
  std::vector<RichTextPiece> pieces;
  loader.load(file, PieceReadOptions{{}, 1024, 8 * 1024}, collectInto(pieces), failOnProblem());
  EXPECT_TRUE(loader.loading());
  ASSERT_TRUE(runUntil([&] { return !loader.loading() && !loader.busy(); }));
  EXPECT_EQ(joined(pieces), loadRichTextFile(file));
}

TEST_F(Loader, AReadGivenUpOnHandsOverNothingMore) {
  const fs::path log = put("LOG.RTF", writeRtf(longDocument()));
  const fs::path notes = put("NOTES.TXT", "notes");
  RichTextFileLoader loader;
  std::vector<RichTextPiece> fromLog;
  loader.load(log, PieceReadOptions{{}, 1024, 1024}, collectInto(fromLog), failOnProblem());
  ASSERT_TRUE(runUntil([&] { return !fromLog.empty(); }));
  std::vector<RichTextPiece> fromNotes;
  loader.load(notes, {}, collectInto(fromNotes), failOnProblem());
  const std::size_t logPieces = fromLog.size();
  ASSERT_TRUE(runUntil([&] { return !loader.busy(); }));
  EXPECT_EQ(fromLog.size(), logPieces);
  EXPECT_FALSE(fromLog.back().last);
  EXPECT_EQ(joined(fromNotes).plainText(), "notes");

  std::vector<RichTextPiece> cancelled;
  loader.load(log, PieceReadOptions{{}, 1024, 1024}, collectInto(cancelled), failOnProblem());
  loader.cancel();
  EXPECT_FALSE(loader.loading());
  ASSERT_TRUE(runUntil([&] { return !loader.busy(); }));
  EXPECT_TRUE(cancelled.empty());
}

TEST_F(Loader, TellsTheProblemOnce) {
  RichTextFileLoader loader;
  std::vector<std::pair<FileShowProblem, std::string>> problems;
  loader.load("/proc/self/mem", {}, [](RichTextPiece&) { ADD_FAILURE() << "a piece"; },
              [&](FileShowProblem problem, const std::string& reason) { problems.emplace_back(problem, reason); });
  ASSERT_TRUE(runUntil([&] { return !loader.busy() && !loader.loading(); }));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].first, FileShowProblem::Unreadable);
}

TEST_F(Loader, GoingAwayWhileReadingWaitsForItsWorker) {
  const fs::path log = put("LOG.RTF", writeRtf(longDocument()));
  std::vector<RichTextPiece> pieces;
  {
    RichTextFileLoader loader;
    loader.load(log, PieceReadOptions{{}, 1024, 1024}, collectInto(pieces), failOnProblem());
    ASSERT_TRUE(runUntil([&] { return !pieces.empty(); }));
  }
  const std::size_t before = pieces.size();
  QCoreApplication::processEvents();
  EXPECT_EQ(pieces.size(), before);
}

}  // namespace
}  // namespace solwire
