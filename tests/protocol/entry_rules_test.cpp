#include "protocol/entry_rules.h"

#include <gtest/gtest.h>

#include <random>

#include "protocol/reply_decoder.h"
#include "protocol/value_format.h"
#include "tests/support/reply_bytes.h"

namespace solwire {
namespace {

// A site whose settings came from a regulator holding `memory` at 16..31 and
// whose voltage class is 12 V x `multiplier`.
SiteData siteWithSettings(const std::vector<int>& settingsBytes, int multiplier) {
  SiteData data = startValues(multiplier, 1);
  const auto reply = test::memoryReply(settingsBytes);
  storeReply(data, RequestKind::Settings, reply, 0);
  return data;
}

// Addresses 16..31; byte 18 holds delay 10 and 2 banks, 22 comp 2 and display
// temperature 20, 28 baud 2400 and low bits 0x15.
const std::vector<int> kSettingsBytes{150, 145, 10 * 4 + 1, 140, 135, 125, 2 * 32 + 20, 100,
                                      110, 130, 30, 120, 4 * 32 + 0x15, 170, 0, 0};

int parse(std::string_view text, EntryKind kind, int row = DisplayContrast, int min = 0, int max = 9999,
          int multiplier = 1) {
  const ParsedEntry entry = ParseEntry(text, max, min, row, kind, multiplier);
  EXPECT_EQ(entry.fault, EntryFault::None) << text;
  return entry.value;
}

EntryFault refusal(std::string_view text, EntryKind kind) { return ParseEntry(text, 9999, 0, 0, kind, 1).fault; }

TEST(ParseEntry, ReadsEachKindAsTheEditorDoes) {
  EXPECT_EQ(parse("12.7", EntryKind::Integer), 12);
  EXPECT_EQ(parse("-5", EntryKind::Integer), 5);
  EXPECT_EQ(parse("1-2", EntryKind::Integer), 12);
  EXPECT_EQ(parse(".5", EntryKind::Integer), 0) << "no digit before the point";

  EXPECT_EQ(parse("13.5", EntryKind::Tenths), 135);
  EXPECT_EQ(parse("13", EntryKind::Tenths), 130);
  EXPECT_EQ(parse("9", EntryKind::Tenths), 90);
  EXPECT_EQ(parse("1.5", EntryKind::Tenths), 15);
  EXPECT_EQ(parse("-", EntryKind::Tenths), 0);

  EXPECT_EQ(parse("-3", EntryKind::MinusDigit), 3);
  EXPECT_EQ(parse("3", EntryKind::MinusDigit), 3);
  EXPECT_EQ(parse("-35", EntryKind::MinusDigit), 3);
  EXPECT_EQ(parse("-", EntryKind::MinusDigit), 0);
  EXPECT_EQ(refusal("-.", EntryKind::MinusDigit), EntryFault::NotADigit);
  EXPECT_EQ(refusal(".3", EntryKind::MinusDigit), EntryFault::NotADigit);
}

TEST(ParseEntry, BaudRatesByTheirFirstFigures) {
  EXPECT_EQ(parse("110", EntryKind::Baud), 0);
  EXPECT_EQ(parse("11", EntryKind::Baud), 0);
  EXPECT_EQ(parse("300", EntryKind::Baud), 1);
  EXPECT_EQ(parse("600", EntryKind::Baud), 2);
  EXPECT_EQ(parse("1200", EntryKind::Baud), 3);
  EXPECT_EQ(parse("1", EntryKind::Baud), 3);
  EXPECT_EQ(parse("2400", EntryKind::Baud), 4);
  for (const char* other : {"9600", "4800", "0", "57", "7", "8", "-", ".", "-110"})
    EXPECT_EQ(refusal(other, EntryKind::Baud), EntryFault::NoSuchBaudRate) << other;
}

TEST(ParseEntry, HexadecimalCalibrationBytes) {
  EXPECT_EQ(parse("7F", EntryKind::Hex), 127);
  EXPECT_EQ(parse("ff", EntryKind::Hex), 255);
  EXPECT_EQ(parse("00", EntryKind::Hex), 0);
  EXPECT_EQ(parse("7FF0", EntryKind::Hex), 127) << "the first two digits";
  EXPECT_EQ(parse("F", EntryKind::Hex), 15) << "one digit is that digit's value";
  EXPECT_EQ(parse("a", EntryKind::Hex), 10);
  EXPECT_EQ(parse("0", EntryKind::Hex), 0);
}

TEST(ParseEntry, VoltageRowsAreDividedByTheMultiplierThenHeldToTheirLimits) {
  // A 48 V system takes 54.0 to 72.0 V for the boost maximum.
  EXPECT_EQ(parse("54.0", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 4), 135);
  EXPECT_EQ(parse("72.0", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 4), 180);
  EXPECT_EQ(parse("80", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 4), 180);
  EXPECT_EQ(parse("50", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 4), 135);
  EXPECT_EQ(parse("30.0", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 2), 150);
  EXPECT_EQ(parse("27.3", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 2), 136) << "remainder dropped";
  // Not a voltage row: no division.
  EXPECT_EQ(parse("6", EntryKind::Tenths, StateChangeDelay, 0, 60, 4), 60);
  EXPECT_EQ(parse("6.5", EntryKind::Tenths, StateChangeDelay, 0, 60, 4), 60);
  EXPECT_EQ(parse("4.5", EntryKind::Tenths, StateChangeDelay, 0, 60, 4), 45);
  // A multiplier that was never set divides by one rather than by zero.
  EXPECT_EQ(parse("13.5", EntryKind::Tenths, BoostMaximumVoltage, 135, 180, 0), 135);
}

TEST(EntryText, LengthAndCharactersDecideBeforeAnythingIsRead) {
  EXPECT_EQ(checkEntryText("27.0", false), EntryFault::None);
  EXPECT_EQ(checkEntryText("-3", false), EntryFault::None);
  EXPECT_EQ(checkEntryText("27.00", false), EntryFault::Length);
  EXPECT_EQ(checkEntryText("", false), EntryFault::Length);
  for (const char* text : {"27V", "2,4", " 27", "+3", "7F", "２７"})
    EXPECT_NE(checkEntryText(text, false), EntryFault::None) << text;
  EXPECT_EQ(checkEntryText("7F", true), EntryFault::None);
  EXPECT_EQ(checkEntryText("c0de", true), EntryFault::None);
  EXPECT_EQ(checkEntryText("7G", true), EntryFault::Character);
  EXPECT_EQ(checkEntryText("-1", true), EntryFault::Character);
  EXPECT_EQ(checkEntryText("12345", true), EntryFault::Length);
}

TEST(SettingsEntry, AFiveCharacterEntryIsRefusedAndNothingIsBuilt) {
  const SiteData data = siteWithSettings(kSettingsBytes, 2);
  const MemoryEntry entry = settingsEntry(data, BoostMaximumVoltage, "27.00");
  EXPECT_FALSE(entry.accepted());
  EXPECT_EQ(entry.fault, EntryFault::Length);
  EXPECT_TRUE(entry.text.empty());
}

TEST(SettingsEntry, TheBoostMaximumOfA24VoltSystem) {
  const SiteData data = siteWithSettings(kSettingsBytes, 2);
  const MemoryEntry entry = settingsEntry(data, BoostMaximumVoltage, "27.0");
  ASSERT_TRUE(entry.accepted());
  EXPECT_EQ(entry.address, 16);
  EXPECT_EQ(entry.data, 135);
  EXPECT_EQ(entry.text, "27.0");
  const MemoryEntry high = settingsEntry(data, BoostMaximumVoltage, "99");
  EXPECT_EQ(high.data, 180);
  EXPECT_EQ(high.text, "36.0") << "pulled to the limit and shown as the limit";
}

TEST(SettingsEntry, RowsSharingAByteWriteTheWholeByte) {
  SiteData data = siteWithSettings(kSettingsBytes, 4);
  ASSERT_EQ(data.settings[StateChangeDelay], 10);
  ASSERT_EQ(data.settings[NumberOfBanksUsed], 2);

  const MemoryEntry banks = settingsEntry(data, NumberOfBanksUsed, "3");
  EXPECT_EQ(banks.address, 18);
  EXPECT_EQ(banks.data, 42) << "banks 3 with delay 10";

  const MemoryEntry delay = settingsEntry(data, StateChangeDelay, "4.5");
  EXPECT_EQ(delay.address, 18);
  EXPECT_EQ(delay.data, 45 * 4 + 1) << "delay 45 keeps 2 banks";
  EXPECT_EQ(delay.text, "4.5");

  const MemoryEntry comp = settingsEntry(data, TemperatureCompensation, "-3");
  EXPECT_EQ(comp.address, 22);
  EXPECT_EQ(comp.data, 3 * 32 + 20) << "keeps the display temperature setting";
  EXPECT_EQ(comp.text, "-3");

  const MemoryEntry display = settingsEntry(data, DisplayTemperatureSetting, "25");
  EXPECT_EQ(display.address, 22);
  EXPECT_EQ(display.data, 2 * 32 + 25) << "keeps the temperature compensation";

  const MemoryEntry baud = settingsEntry(data, CommunicationBaudRate, "2400");
  EXPECT_EQ(baud.address, 28);
  EXPECT_EQ(baud.value, 4);
  EXPECT_EQ(baud.data, 4 * 32 + 0x15) << "keeps the low five bits of address 28";
  EXPECT_EQ(baud.text, "2400");
  const MemoryEntry slow = settingsEntry(data, CommunicationBaudRate, "300");
  EXPECT_EQ(slow.data, 1 * 32 + 0x15);
  EXPECT_EQ(settingsEntry(data, CommunicationBaudRate, "9600").fault, EntryFault::NoSuchBaudRate);

  // The record is what the regulator said until the read-back says otherwise.
  EXPECT_EQ(data.settings[NumberOfBanksUsed], 2);
  EXPECT_EQ(data.settings[TemperatureCompensation], 2);
}

TEST(SettingsEntry, ASharedByteNeverCarriesAFieldOutOfItsBits) {
  // Settings never read: the record is all zeros, so "0 banks" has no code.
  const SiteData data = startValues(4, 1);
  const MemoryEntry delay = settingsEntry(data, StateChangeDelay, "6");
  EXPECT_EQ(delay.data, 60 * 4 + 3);
  EXPECT_GE(delay.data, 0);
  EXPECT_LE(delay.data, 255);
  EXPECT_EQ(settingsEntry(data, 16, "1").fault, EntryFault::NoSuchRow);
}

TEST(CalibrationEntry, GAndOColumnsAddressTheirOwnBytes) {
  const MemoryEntry o = calibrationEntry(2, CalibrationColumn::O, "7F");
  ASSERT_TRUE(o.accepted());
  EXPECT_EQ(o.address, 5);
  EXPECT_EQ(o.data, 127);
  EXPECT_EQ(o.text, "7F");
  const MemoryEntry g = calibrationEntry(7, CalibrationColumn::G, "a");
  EXPECT_EQ(g.address, 14);
  EXPECT_EQ(g.data, 10);
  EXPECT_EQ(g.text, "0A");
  EXPECT_EQ(calibrationEntry(0, CalibrationColumn::G, "1.5").fault, EntryFault::Character);
  EXPECT_EQ(calibrationEntry(8, CalibrationColumn::G, "10").fault, EntryFault::NoSuchRow);
}

// Whatever a regulator holds, the bytes the model gives back for each address
// are the bytes it sent: that is what a read-back is compared with.
TEST(MemoryByte, TheModelGivesBackEveryByteARegulatorSent) {
  std::mt19937 random(8);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 200; ++round) {
    std::vector<int> memory(32);
    for (int& b : memory) b = byte(random);
    SiteData data = startValues(1, 1);
    storeReply(data, RequestKind::Calibration, test::memoryReply({memory.begin(), memory.begin() + 16}), 0);
    storeReply(data, RequestKind::Settings, test::memoryReply({memory.begin() + 16, memory.end()}), 0);
    for (int address = 0; address < 30; ++address)
      ASSERT_EQ(memoryByte(data, address), memory[static_cast<std::size_t>(address)]) << "address " << address;
    EXPECT_EQ(memoryByte(data, 30), std::nullopt);
    EXPECT_EQ(memoryByte(data, 31), std::nullopt);
    EXPECT_EQ(memoryByte(data, -1), std::nullopt);
  }
}

// An accepted entry written to a regulator and read back shows the same text.
TEST(MemoryByte, AnAcceptedEntryReadBackShowsAsEntered) {
  SiteData data = siteWithSettings(kSettingsBytes, 2);
  for (int row = 0; row < kShownSettingRows; ++row) {
    const MemoryEntry entry = settingsEntry(data, row, row == CommunicationBaudRate ? "600" : "8");
    ASSERT_TRUE(entry.accepted()) << row;
    std::vector<int> memory = kSettingsBytes;
    memory[static_cast<std::size_t>(entry.address - 16)] = entry.data;
    SiteData readBack = siteWithSettings(memory, 2);
    EXPECT_EQ(memoryByte(readBack, entry.address), entry.data) << row;
    EXPECT_EQ(settingValueText(row, readBack.settings[static_cast<std::size_t>(row)], 2), entry.text) << row;
  }
}

}  // namespace
}  // namespace solwire
