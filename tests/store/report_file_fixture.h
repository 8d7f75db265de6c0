// A scratch folder and composed reports and log entries for the tests of
// appending to rich-text files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "store/report_composer.h"

namespace solwire::test {

class ReportFileFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "solwire-append-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(dir_);
  }

  static std::string contents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
  }
  static void put(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  static LogReading reading(int hour) {
    LogReading reading;
    reading.site = 5;
    reading.scaling = Scaling{2, 4, 4, false};
    reading.current.batteryVoltageReading = 25 * 1280 + hour * 53;
    reading.current.chargeCurrentReading = 640 * 3 + hour;
    reading.current.loadCurrentReading = 640 + hour;
    reading.current.dailyMaxVoltage = 141;
    reading.current.dailyMinVoltage = 117;
    reading.current.chargeAh = 30 + hour;
    reading.current.loadAh = 9 + hour;
    reading.current.stateCode = hour % 15;
    return reading;
  }
  static RichTextDocument entry(int hour, Language language) {
    return composeLogEntry(reading(hour), language, ReportStamp{"07/12/2026", std::to_string(hour) + ":00:00"});
  }
  static RichTextDocument report(Language language) {
    SiteData data;
    data.scaling = Scaling{1, 1, 1, false};
    data.current = reading(4).current;
    for (int day = 0; day < kHistoryDays; ++day) {
      data.history.chargeAh[static_cast<std::size_t>(day)] = 10 + day;
      data.history.dischargeAh[static_cast<std::size_t>(day)] = day;
      data.history.maxVoltage[static_cast<std::size_t>(day)] = 140;
      data.history.minVoltage[static_cast<std::size_t>(day)] = 118;
    }
    return composeReport(data, language, 7, ReportSections{true, true, true, true},
                         ReportStamp{"07/12/2026", "14:05:09"});
  }

  std::filesystem::path dir_;
};

}  // namespace solwire::test
