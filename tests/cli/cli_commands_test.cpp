#include <gtest/gtest.h>

#include "cli/commands.h"
#include "cli/site_json.h"
#include "tests/support/cli_run.h"

namespace solwire::cli {
namespace {

using Result = test::CliResult;
const auto run = test::runCli;

TEST(FrameCommand, PrintsUpperCaseHexBytes) {
  EXPECT_EQ(run({"frame", "current", "5"}).out, "C5 4E\n");
  EXPECT_EQ(run({"frame", "1", "31"}).out, "DF 4E\n");
  EXPECT_EQ(run({"frame", "history", "3", "--block", "8"}).out, "C3 27\n");
  EXPECT_EQ(run({"frame", "4", "0"}).out, "C0 20\n");
  EXPECT_EQ(run({"frame", "log", "2"}).out, "C2 4E\n");
  EXPECT_EQ(run({"frame", "write", "3", "16", "150"}).out, "C3 A5 10 96 E3\n");
}

TEST(FrameCommand, RejectsOutOfRangeInput) {
  EXPECT_EQ(run({"frame", "current", "32"}).status, kExitUsage);
  EXPECT_EQ(run({"frame", "bogus", "1"}).status, kExitUsage);
  EXPECT_EQ(run({"frame", "history", "1", "--block", "9"}).status, kExitUsage);
  EXPECT_EQ(run({"frame", "write", "1", "32", "0"}).status, kExitUsage);
  EXPECT_EQ(run({"frame", "write", "1", "3", "256"}).status, kExitUsage);
  EXPECT_TRUE(run({"frame", "current", "x"}).out.empty());
}

TEST(DecodeCommand, CurrentStateFieldsInOrder) {
  const Result r = run({"decode", "current", "02 21 2E 20 20 20 22 28 20 20 21 24 20 28 2D 27 28",
                        "20 21 22 2C 20 21 20 22 20 25"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  ASSERT_EQ(r.out.back(), '\n');
  const Json json = Json::parse(r.out);
  const Json expected = {{"check", "ok"},
                         {"type_code", 2},
                         {"voltage_multiplier", 4},
                         {"charge_current_multiplier", 4},
                         {"load_current_multiplier", 1},
                         {"alternate_voltage_scale", false},
                         {"battery_voltage_reading", 7680},
                         {"charge_current_reading", 640},
                         {"load_current_reading", 320},
                         {"daily_max_voltage", 141},
                         {"daily_min_voltage", 120},
                         {"charge_ah", 300},
                         {"load_ah", 258},
                         {"state_code", 5}};
  EXPECT_EQ(json, expected) << r.out;
}

TEST(DecodeCommand, ALogReadingIsScaledAsACurrentStateReading) {
  const Result r = run({"decode", "6", "0E2020202020202020202020202020202020202020202020202020"});
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["load_current_multiplier"], 4) << r.out;
  EXPECT_EQ(json["alternate_voltage_scale"], true);
  EXPECT_EQ(json["voltage_multiplier"], 2);
  EXPECT_EQ(json["charge_current_multiplier"], 1);
}

TEST(DecodeCommand, ReadErrorStillPrintsTheFields) {
  const Result r = run({"decode", "alarms", "D0 E0 E0 30 E0"});
  EXPECT_EQ(r.status, kExitOk);
  const Json expected = {{"check", "read error"}, {"alarm_inputs", {0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0}}};
  EXPECT_EQ(Json::parse(r.out), expected) << r.out;
}

TEST(DecodeCommand, HistoryBlockDays) {
  std::string hex = "90";
  const int p[24] = {120, 150, 0x34, 0x12, 0x01, 0x02};
  for (int b : p) {
    char pair[8];
    std::snprintf(pair, sizeof pair, " A%X A%X", b >> 4, b & 15);
    hex += pair;
  }
  const Result r = run({"decode", "history", hex, "--block", "2"});
  EXPECT_EQ(r.status, kExitOk) << r.err;
  const Json json = Json::parse(r.out);
  EXPECT_EQ(json["block"], 2);
  ASSERT_EQ(json["days"].size(), 4u) << r.out;
  const Json firstDay = {
      {"day", 4}, {"min_voltage", 120}, {"max_voltage", 150}, {"charge_ah", 4660}, {"discharge_ah", 513}};
  EXPECT_EQ(json["days"][0], firstDay);
  EXPECT_EQ(json["days"][1]["day"], 5);
}

TEST(DecodeCommand, SettingsAndCalibrationArrays) {
  std::string hex = "50";
  for (int i = 0; i < 16; ++i) hex += " 60 6" + std::string(1, "0123456789ABCDEF"[i]);
  const Result settings = run({"decode", "settings", hex});
  EXPECT_EQ(Json::parse(settings.out)["settings"], Json({0, 1, 3, 3, 4, 5, 13, 0, 0, 6, 7, 8, 9, 10, 11, 0, 12}))
      << settings.out;
  const Result calibration = run({"decode", "3", hex});
  const Json json = Json::parse(calibration.out);
  EXPECT_EQ(json["calibration_g"], Json({0, 2, 4, 6, 8, 10, 12, 14})) << calibration.out;
  EXPECT_EQ(json["calibration_o"], Json({1, 3, 5, 7, 9, 11, 13, 15}));
}

TEST(DecodeCommand, WrongLengthOrBadHexIsAUsageError) {
  const Result shortReply = run({"decode", "current", "02 21 2E"});
  EXPECT_EQ(shortReply.status, kExitUsage);
  EXPECT_NE(shortReply.err.find("27 bytes"), std::string::npos);
  EXPECT_TRUE(shortReply.out.empty());
  EXPECT_EQ(run({"decode", "alarms", "D0 E0 E0 E0 E"}).status, kExitUsage);
  EXPECT_EQ(run({"decode", "alarms", "D0 E0 E0 E0 EG"}).status, kExitUsage);
}

TEST(DemoCommand, ReadsEveryKindFromTheSimulatedSite) {
  const Result demo = run({"demo", "--site", "3"});
  EXPECT_EQ(demo.status, kExitOk) << demo.err;
  const std::string& text = demo.out;
  for (const char* section : {"Site 3", "Current state", "Settings", "Calibration", "History (32 days)",
                              "Alarm inputs", "Alarm 13", "Boost Maximum Voltage", "Battery Voltage"})
    EXPECT_NE(text.find(section), std::string::npos) << section;
  EXPECT_EQ(run({"demo", "--site", "40"}).status, kExitUsage);
}

TEST(CommandLine, AnUnknownCommandOrAMissingOptionValueIsAUsageError) {
  EXPECT_EQ(run({}).status, kExitUsage);
  EXPECT_EQ(run({"transmogrify"}).status, kExitUsage);
  const Result missing = run({"frame", "history", "3", "--block"});
  EXPECT_EQ(missing.status, kExitUsage);
  EXPECT_NE(missing.err.find("--block"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace solwire::cli
