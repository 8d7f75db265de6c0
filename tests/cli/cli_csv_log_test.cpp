// The logger's spreadsheet rows and file, and how the tool writes times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/csv_log_file.h"
#include "cli/csv_log_row.h"
#include "cli/local_time_text.h"
#include "protocol/reply_decoder.h"
#include "protocol/value_format.h"
#include "store/report_composer.h"
#include "tests/support/file_size_limit.h"

namespace solwire::cli {
namespace {

std::vector<std::string> fieldsOf(std::string line) {
  if (!line.empty() && line.back() == '\n') line.pop_back();
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.emplace_back();
  return fields;
}

LogReading sampleReading() {
  LogReading reading;
  reading.site = 4;
  reading.scaling = {2, 3, 1, false};
  reading.current.batteryVoltageReading = 25 * 1280;  // 50.0 V
  reading.current.chargeCurrentReading = 5 * 640 + 320;
  reading.current.loadCurrentReading = 2 * 640 + 1;
  reading.current.dailyMaxVoltage = 141;
  reading.current.dailyMinVoltage = 122;
  reading.current.chargeAh = 12345;
  reading.current.loadAh = 7;
  reading.current.stateCode = 13;
  return reading;
}

TEST(CsvLogRow, ARowHoldsTheValuesTheLogEntryShows) {
  const LogReading reading = sampleReading();
  const std::string row = csvLogRow("2024-05-17T11:00:01+00:00", reading.site, reading);
  EXPECT_EQ(row, "2024-05-17T11:00:01+00:00,4,50.0,16.5,2.0,12345,7,28.2,24.4,13\n")
      << "the amp-hours the regulator counted, not the entry's 9999 cap";

  const std::string entry = composeLogEntry(reading, Language::English, {"2024-05-17", "11:00:01"}).plainText();
  for (const char* shown : {"  50.0 V", "  16.5 A", "    2.0 A", "9999 Ah.", "      7 Ah.", "  28.2V",
                                   "  24.4V", ": *"})
    EXPECT_NE(entry.find(shown), std::string::npos) << shown << "\n" << entry;
}

TEST(CsvLogRow, VoltagesAreTheOnesTheCurrentStateWindowShowsForEveryTypeCode) {
  LogReading reading = sampleReading();
  for (int type = 0; type < 32; ++type) {
    reading.scaling = scalingForCurrentState(type);
    for (const int battery : {0, 8704, 17664, 44672, 65535}) {
      reading.current.batteryVoltageReading = battery;
      const std::vector<std::string> fields = fieldsOf(csvLogRow("t", reading.site, reading));
      ASSERT_EQ(fields.size(), static_cast<std::size_t>(kCsvLogFields));
      EXPECT_EQ(fields[2] + " V", batteryVoltageText(reading.scaling, reading.current))
          << "type " << type << ", reading " << battery;
      EXPECT_EQ(fields[8] + "<>" + fields[7], minMaxVoltageText(reading.scaling, reading.current)) << "type " << type;
    }
  }
  reading.scaling = scalingForCurrentState(0);  // 12 V
  reading.current.batteryVoltageReading = 8704;
  EXPECT_EQ(fieldsOf(csvLogRow("t", 4, reading))[2], "13.6");
  reading.scaling = scalingForCurrentState(14);  // 24 V on the alternate scale
  reading.current.batteryVoltageReading = 44672;
  EXPECT_EQ(fieldsOf(csvLogRow("t", 4, reading))[2], "27.6");
}

TEST(CsvLogRow, AFailedSampleKeepsTimeAndSiteWithEveryValueEmpty) {
  const std::vector<std::string> fields = fieldsOf(csvLogRow("2024-05-17T11:00:01+00:00", 9, std::nullopt));
  ASSERT_EQ(fields.size(), static_cast<std::size_t>(kCsvLogFields));
  EXPECT_EQ(fields[0], "2024-05-17T11:00:01+00:00");
  EXPECT_EQ(fields[1], "9");
  for (std::size_t i = 2; i < fields.size(); ++i) EXPECT_TRUE(fields[i].empty()) << i;
  EXPECT_EQ(fieldsOf(csvLogHeader()).size(), static_cast<std::size_t>(kCsvLogFields));
}

class CsvLogFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = std::filesystem::temp_directory_path() /
                ("solwire-csv-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  static std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  std::filesystem::path directory;
};

TEST_F(CsvLogFileTest, TheHeaderGoesOnlyIntoANewOrEmptyFile) {
  const auto path = directory / "log.csv";
  CsvLogFile file(path, "H\n");
  file.append("a\n");
  file.append("b\n");
  EXPECT_EQ(contents(path), "H\na\nb\n");

  const auto empty = directory / "empty.csv";
  std::ofstream{empty};
  CsvLogFile(empty, "H\n").append("c\n");
  EXPECT_EQ(contents(empty), "H\nc\n");
}

TEST_F(CsvLogFileTest, ARowCutShortByACrashIsEndedBeforeTheNextOne) {
  const auto path = directory / "log.csv";
  std::ofstream(path) << "H\n2024-05-17T11:00:01+00:00,4,50.";
  CsvLogFile(path, "H\n").append("next\n");
  EXPECT_EQ(contents(path), "H\n2024-05-17T11:00:01+00:00,4,50.\nnext\n");
}

// A disk that fills up in the middle of a row: the part written would read
// as a sample with some of its values missing.
TEST_F(CsvLogFileTest, ARowThatDoesNotFitIsCutOffWhole) {
  const auto path = directory / "log.csv";
  CsvLogFile file(path, "H\n");
  file.append("2024-05-17T11:00:01+00:00,4,50.0\n");
  const std::string before = contents(path);
  {
    const test::FileSizeLimit full(before.size() + 10);
    EXPECT_THROW(file.append("2024-05-17T12:00:01+00:00,4,50.1,16.5,2.0,12,7,28.2,24.4,13\n"), CsvLogError);
  }
  EXPECT_EQ(contents(path), before);
  file.append("next\n");
  EXPECT_EQ(contents(path), before + "next\n");
}

TEST_F(CsvLogFileTest, AFileThatCannotBeOpenedNamesItselfAndTheReason) {
  const auto path = directory / "no-such-directory" / "log.csv";
  try {
    CsvLogFile(path, "H\n").append("a\n");
    FAIL() << "no error";
  } catch (const CsvLogError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(path.string()), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
  }
}

// Runs with the time zone `zone`, the process's own put back afterwards.
class TimeZone {
 public:
  explicit TimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TimeZone() {
    if (previous_)
      setenv("TZ", previous_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

// The instant of a UTC calendar time.
std::time_t utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return timegm(&tm);
}

TEST(LocalTimeText, HeadersUseFixedDigitsAndRowsCarryTheZonesOffset) {
  const ReportStamp stamp = reportStampOf({2024, 1, 7, 9, 3, 4});
  EXPECT_EQ(stamp.date, "2024-01-07");
  EXPECT_EQ(stamp.time, "09:03:04");
  const std::time_t winter = utc(2024, 1, 7, 9, 3, 4);
  const std::time_t summer = utc(2024, 7, 7, 21, 59, 59);
  {
    const TimeZone universal("UTC0");
    EXPECT_EQ(isoLocalTime(zonedTimeAt(winter)), "2024-01-07T09:03:04+00:00");
  }
  {
    const TimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(isoLocalTime(zonedTimeAt(winter)), "2024-01-07T10:03:04+01:00");
    EXPECT_EQ(isoLocalTime(zonedTimeAt(summer)), "2024-07-07T23:59:59+02:00");
  }
  {
    const TimeZone newfoundland("NST3:30");
    EXPECT_EQ(isoLocalTime(zonedTimeAt(winter)), "2024-01-07T05:33:04-03:30");
  }
}

// When the clocks go back, the same local time comes twice; each row carries
// the offset in force at its own instant.
TEST(LocalTimeText, TheRepeatedHourCarriesTheOffsetOfEachInstant) {
  const TimeZone paris("Europe/Paris");
  const std::time_t summerTime = utc(2026, 10, 25, 0, 30, 0);
  const std::time_t winterTime = utc(2026, 10, 25, 1, 30, 0);
  EXPECT_EQ(isoLocalTime(zonedTimeAt(summerTime)), "2026-10-25T02:30:00+02:00");
  EXPECT_EQ(isoLocalTime(zonedTimeAt(winterTime)), "2026-10-25T02:30:00+01:00");
  EXPECT_EQ(isoLocalTime(zonedTimeAt(winterTime + 3600)), "2026-10-25T03:30:00+01:00");
  EXPECT_EQ(isoLocalTime(zonedTimeAt(summerTime - 3600)), "2026-10-25T01:30:00+02:00");
}

// A row's time is the logger's clock as given, offset included, whatever zone
// the process runs in.
TEST(LocalTimeText, AZonedTimeIsWrittenWithItsOwnOffset) {
  const TimeZone universal("UTC0");
  EXPECT_EQ(isoLocalTime({{2026, 10, 25, 2, 30, 0}, 3600}), "2026-10-25T02:30:00+01:00");
  EXPECT_EQ(isoLocalTime({{2024, 1, 7, 9, 3, 4}, -(3 * 3600 + 1800)}), "2024-01-07T09:03:04-03:30");
}

}  // namespace
}  // namespace solwire::cli
