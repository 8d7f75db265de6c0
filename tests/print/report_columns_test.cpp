// The history table of a report, tab-separated values under tab-separated
// heads: every value starts where its head starts, on the screen's layout
// and on a printed page, in English and in Chinese.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <map>
#include <vector>

#include "store/report_composer.h"
#include "store/rich_text_print.h"
#include "store/rich_text_qt.h"

namespace solwire {
namespace {

struct Table {
  const char* language;
  Language index;
  const char* fontName;
  QString firstHead;  // the first word of the heads' line
};

const Table kTables[] = {{"English", Language::English, "Arial", "Day"},
                         {"Chinese", Language::Chinese, "WenQuanYi Micro Hei", QString::fromUtf8("天")}};

RichTextDocument reportWithHistory(const Table& table) {
  SiteData data;
  data.scaling = Scaling{1, 1, 1, false};
  for (std::size_t day = 0; day < kHistoryDays; ++day) {
    data.history.chargeAh[day] = static_cast<std::int32_t>(day * 37 % 400);
    data.history.dischargeAh[day] = static_cast<std::int32_t>(day * 13 % 90);
    data.history.maxVoltage[day] = 140 + static_cast<std::int32_t>(day % 5);
    data.history.minVoltage[day] = 100 + static_cast<std::int32_t>(day % 20);
  }
  RichTextDocument document;
  document.setFontName(table.fontName);
  document.append(composeReport(data, table.index, 3, ReportSections{false, true, false, false},
                                ReportStamp{"07/12/2026", "14:05:09"}));
  return document;
}

// Where a block's columns start: the first character and each character
// that follows a tab without being one.
std::vector<int> columnStarts(const QString& text) {
  std::vector<int> starts;
  for (int i = 0; i < text.size(); ++i) {
    if (text[i] != '\t' && (i == 0 || text[i - 1] == '\t')) starts.push_back(i);
  }
  return starts;
}

std::vector<double> columnPositions(const QTextBlock& block) {
  std::vector<double> positions;
  const QTextLine line = block.layout()->lineAt(0);
  for (int start : columnStarts(block.text())) positions.push_back(line.cursorToX(start));
  return positions;
}

// The heads' line and the 32 lines of values below it.
struct HistoryBlocks {
  QTextBlock heads;
  std::vector<QTextBlock> rows;
};

HistoryBlocks historyBlocks(const QTextDocument& document, const QString& firstHead) {
  HistoryBlocks found;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block.text().startsWith(firstHead + "\t")) found.heads = block;
    if (found.heads.isValid() && block.text().contains(QRegularExpression("^\\d+\\t"))) found.rows.push_back(block);
  }
  return found;
}

TEST(ReportColumns, ValuesStartUnderTheirHeadsOnTheScreen) {
  for (const Table& table : kTables) {
    SCOPED_TRACE(table.language);
    const std::unique_ptr<QTextDocument> document = toTextDocument(reportWithHistory(table));
    document->size();  // lays it out
    const HistoryBlocks history = historyBlocks(*document, table.firstHead);
    ASSERT_TRUE(history.heads.isValid());
    ASSERT_EQ(history.rows.size(), kHistoryDays);
    const std::vector<double> heads = columnPositions(history.heads);
    ASSERT_EQ(heads.size(), 5u);
    for (const QTextBlock& row : history.rows) {
      SCOPED_TRACE(row.text().toStdString());
      const std::vector<double> values = columnPositions(row);
      ASSERT_EQ(values.size(), heads.size());
      for (std::size_t column = 0; column < heads.size(); ++column) EXPECT_NEAR(values[column], heads[column], 0.5);
    }
  }
}

// ---- On paper: the words of a PDF page with their boxes ----

struct PdfWord {
  double left;
  double top;
  QString text;
};

std::vector<PdfWord> pdfWords(const QString& pdf) {
  const QString tool = QStandardPaths::findExecutable("pdftotext");
  if (tool.isEmpty()) {
    ADD_FAILURE() << "pdftotext is missing (poppler-utils, see scripts/setup.sh)";
    return {};
  }
  QProcess process;
  process.start(tool, {"-enc", "UTF-8", "-bbox", pdf, "-"});
  process.waitForFinished(30000);
  const QString html = QString::fromUtf8(process.readAllStandardOutput());
  static const QRegularExpression word(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">([^<]*)</word>");
  std::vector<PdfWord> words;
  for (auto match = word.globalMatch(html); match.hasNext();) {
    const QRegularExpressionMatch m = match.next();
    words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3)});
  }
  return words;
}

// Words on one line share their top edge; lines in page order.
std::vector<std::vector<PdfWord>> pdfLines(const std::vector<PdfWord>& words) {
  std::map<long, std::vector<PdfWord>> byTop;
  for (const PdfWord& word : words) byTop[std::lround(word.top * 10)].push_back(word);
  std::vector<std::vector<PdfWord>> lines;
  for (auto& [top, line] : byTop) lines.push_back(std::move(line));
  return lines;
}

// The left edge of each column: a word that starts after a gap wider than a
// space begins a column; the heads' line has words within a column too
// ("Voltage Max."), so its columns are matched to the head texts.
std::vector<double> headPositions(const std::vector<PdfWord>& line, const Table& table) {
  const QStringList heads = table.index == Language::English
                                ? QStringList{"Day", "Charge", "Discharge", "Voltage", "Voltage"}
                                : QString::fromUtf8("天 每日充电 每日放电 最大电压 最小电压").split(' ');
  std::vector<double> positions;
  for (const PdfWord& word : line) {
    if (positions.size() < static_cast<std::size_t>(heads.size()) && word.text == heads[static_cast<int>(positions.size())])
      positions.push_back(word.left);
  }
  return positions;
}

TEST(ReportColumns, ValuesStartUnderTheirHeadsOnAPrintedPage) {
  QTemporaryDir dir;
  for (const Table& table : kTables) {
    SCOPED_TRACE(table.language);
    const QString pdf = dir.filePath(QString(table.language) + ".pdf");
    const std::unique_ptr<QTextDocument> document = toTextDocument(reportWithHistory(table));
    ASSERT_TRUE(printTextDocument(*document, "columns", PrintDestination{pdf}).ok());

    const std::vector<std::vector<PdfWord>> lines = pdfLines(pdfWords(pdf));
    std::vector<double> heads;
    int rows = 0;
    for (const std::vector<PdfWord>& line : lines) {
      if (line.front().text == table.firstHead) heads = headPositions(line, table);
      static const QRegularExpression number("^\\d+(\\.\\d)?$");
      const bool values = line.size() == 5 && std::all_of(line.begin(), line.end(), [](const PdfWord& word) {
                            return number.match(word.text).hasMatch();
                          });
      if (heads.empty() || !values) continue;
      ++rows;
      SCOPED_TRACE(line.front().text.toStdString());
      for (std::size_t column = 0; column < heads.size(); ++column) EXPECT_NEAR(line[column].left, heads[column], 0.5);
    }
    ASSERT_EQ(heads.size(), 5u);
    EXPECT_GT(rows, 20);  // the first page holds most of the 32 days
  }
}

}  // namespace
}  // namespace solwire
