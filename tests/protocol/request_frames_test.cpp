#include "protocol/request_frames.h"

#include <gtest/gtest.h>

namespace solwire {
namespace {

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

TEST(RequestFrames, SiteByteSpansTheWholeAddressRange) {
  EXPECT_EQ(siteByte(0), 0xC0);
  EXPECT_EQ(siteByte(31), 0xDF);
  EXPECT_EQ(requestFrame(RequestKind::CurrentState, 5), bytes({0xC5, 0x4E}));
}

TEST(RequestFrames, CommandBytesOfEveryKind) {
  EXPECT_EQ(requestFrame(RequestKind::Settings, 0), bytes({0xC0, '~'}));
  EXPECT_EQ(requestFrame(RequestKind::Calibration, 1), bytes({0xC1, '}'}));
  EXPECT_EQ(requestFrame(RequestKind::AlarmInputs, 2), bytes({0xC2, 'V'}));
  EXPECT_EQ(requestFrame(RequestKind::LogCurrentState, 2), bytes({0xC2, 'N'}));
  EXPECT_EQ(requestFrame(RequestKind::HistoryBlock, 3, 1), bytes({0xC3, 0x20}));
  EXPECT_EQ(requestFrame(RequestKind::HistoryBlock, 3, 8), bytes({0xC3, 0x27}));
}

TEST(RequestFrames, WriteFrameEndsWithTheSiteByteShiftedBy32) {
  EXPECT_EQ(writeFrame(3, 16, 150), bytes({0xC3, 0xA5, 0x10, 0x96, 0xE3}));
  EXPECT_EQ(writeFrame(31, 31, 255), bytes({0xDF, 0xA5, 0x1F, 0xFF, 0xFF}));
}

TEST(RequestFrames, WriteFrameNeverCarriesAnAddressOrByteOutOfRange) {
  EXPECT_EQ(writeFrame(0, 32, 7), bytes({0xC0, 0xA5, 0x00, 0x07, 0xE0}));
  EXPECT_EQ(writeFrame(0, -1, 256), bytes({0xC0, 0xA5, 0x00, 0x00, 0xE0}));
}

TEST(RequestFrames, ReplyLengthsAndTimeouts) {
  EXPECT_EQ(replyLength(RequestKind::CurrentState), 27);
  EXPECT_EQ(replyLength(RequestKind::Settings), 33);
  EXPECT_EQ(replyLength(RequestKind::Calibration), 33);
  EXPECT_EQ(replyLength(RequestKind::HistoryBlock), 49);
  EXPECT_EQ(replyLength(RequestKind::AlarmInputs), 5);
  EXPECT_EQ(replyLength(RequestKind::LogCurrentState), 27);
  const int expected[] = {90, 90, 100, 100, 90};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(replyTimeoutForBaudIndex(i), expected[i]) << i;
}

TEST(RequestFrames, KindNamesAndNumbersParse) {
  EXPECT_EQ(parseRequestKind("history"), RequestKind::HistoryBlock);
  EXPECT_EQ(parseRequestKind("5"), RequestKind::AlarmInputs);
  EXPECT_FALSE(parseRequestKind("7").has_value());
  EXPECT_FALSE(parseRequestKind("1x").has_value());
  EXPECT_FALSE(parseRequestKind("").has_value());
}

}  // namespace
}  // namespace solwire
