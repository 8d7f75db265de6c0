// The Telnet parser and the RFC 2217 client, without sockets: streams are fed
// cut at every point, and the client's answers are read back as bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/modem_status.h"
#include "serial/rfc2217_client.h"
#include "serial/serial_device.h"
#include "serial/telnet_codes.h"
#include "serial/telnet_parser.h"

namespace solwire::telnet {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Parsed {
  Bytes data;
  std::vector<TelnetEvent> events;
};

Parsed parseInPieces(const Bytes& stream, const std::vector<std::size_t>& cuts) {
  TelnetParser parser;
  Parsed parsed;
  std::size_t start = 0;
  auto feed = [&](std::size_t end) {
    Bytes piece(stream.begin() + static_cast<std::ptrdiff_t>(start), stream.begin() + static_cast<std::ptrdiff_t>(end));
    const std::size_t n = parser.feed(piece, piece.data(), parsed.events);  // in place, as the device does
    parsed.data.insert(parsed.data.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    start = end;
  };
  for (const std::size_t cut : cuts) feed(cut);
  feed(stream.size());
  return parsed;
}

bool sameEvents(const std::vector<TelnetEvent>& a, const std::vector<TelnetEvent>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].kind != b[i].kind || a[i].command != b[i].command || a[i].option != b[i].option ||
        a[i].payload != b[i].payload)
      return false;
  }
  return true;
}

// A stream with everything a device server may send, mixed with data.
Bytes mixedStream() {
  Bytes s = {'A', kIAC, kIAC, 'B'};
  appendNegotiation(kWILL, kOptionComPort, s);
  s.push_back(0x00);
  const Bytes modemState = {0xFF};  // an escaped 0xFF inside a subnegotiation
  appendComPortCommand(comport::kServerOffset + comport::kNotifyModemState, modemState, s);
  s.insert(s.end(), {kIAC, 241 /* NOP */, 'C', kIAC, kIAC});
  return s;
}

TEST(TelnetParser, FindsDataAndCommandsWhereverTheStreamIsCut) {
  const Bytes stream = mixedStream();
  const Parsed whole = parseInPieces(stream, {});
  EXPECT_EQ(whole.data, (Bytes{'A', 0xFF, 'B', 0x00, 'C', 0xFF}));
  ASSERT_EQ(whole.events.size(), 3u);
  EXPECT_EQ(whole.events[0].kind, TelnetEvent::Kind::Negotiation);
  EXPECT_EQ(whole.events[0].command, kWILL);
  EXPECT_EQ(whole.events[0].option, kOptionComPort);
  EXPECT_EQ(whole.events[1].kind, TelnetEvent::Kind::Subnegotiation);
  EXPECT_EQ(whole.events[1].payload, (Bytes{comport::kServerOffset + comport::kNotifyModemState, 0xFF}));
  EXPECT_EQ(whole.events[2].kind, TelnetEvent::Kind::Command);

  for (std::size_t cut = 1; cut < stream.size(); ++cut) {
    const Parsed split = parseInPieces(stream, {cut});
    EXPECT_EQ(split.data, whole.data) << "cut at " << cut;
    EXPECT_TRUE(sameEvents(split.events, whole.events)) << "cut at " << cut;
  }
  std::vector<std::size_t> everyByte;
  for (std::size_t i = 1; i < stream.size(); ++i) everyByte.push_back(i);
  const Parsed bytewise = parseInPieces(stream, everyByte);
  EXPECT_EQ(bytewise.data, whole.data);
  EXPECT_TRUE(sameEvents(bytewise.events, whole.events));
}

TEST(TelnetParser, DropsAnOverlongSubnegotiationAndCarriesOn) {
  Bytes s = {kIAC, kSB, kOptionComPort};
  s.insert(s.end(), TelnetParser::kMaxPayload + 10, 0x41);
  s.insert(s.end(), {kIAC, kSE, 'Z'});
  const Parsed parsed = parseInPieces(s, {5, 40});
  EXPECT_TRUE(parsed.events.empty());
  EXPECT_EQ(parsed.data, Bytes{'Z'});
}

TEST(TelnetParser, ACommandInsideASubnegotiationEndsIt) {
  const Bytes s = {kIAC, kSB, kOptionComPort, 7, kIAC, kWILL, kOptionBinary, 'x'};
  const Parsed parsed = parseInPieces(s, {});
  ASSERT_EQ(parsed.events.size(), 1u);
  EXPECT_EQ(parsed.events[0].kind, TelnetEvent::Kind::Negotiation);
  EXPECT_EQ(parsed.data, Bytes{'x'});
}

TEST(TelnetEscape, DoublesEveryIac) {
  Bytes out;
  appendEscaped(Bytes{1, 0xFF, 0xFF, 2}, out);
  EXPECT_EQ(out, (Bytes{1, 0xFF, 0xFF, 0xFF, 0xFF, 2}));
}

// ---- the client

// Runs the server's bytes through a parser into the client; returns the client's answer.
Bytes serverSays(Rfc2217Client& client, const Bytes& stream) {
  TelnetParser parser;
  std::vector<TelnetEvent> events;
  Bytes data(stream.size());
  parser.feed(stream, data.data(), events);
  Bytes out;
  for (const auto& event : events) client.handle(event, out);
  return out;
}

Bytes negotiation(std::uint8_t command, std::uint8_t option) {
  Bytes b;
  appendNegotiation(command, option, b);
  return b;
}

Bytes comPortCommand(std::uint8_t command, const Bytes& value) {
  Bytes b;
  appendComPortCommand(command, value, b);
  return b;
}

bool contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

TEST(Rfc2217Client, OpensWithBinaryAndSuppressGoAheadBothWaysAndOffersComPort) {
  Rfc2217Client client;
  Bytes out;
  client.start(out);
  Bytes expected;
  for (auto [command, option] : {std::pair{kWILL, kOptionBinary}, {kDO, kOptionBinary}, {kWILL, kOptionSuppressGoAhead},
                                 {kDO, kOptionSuppressGoAhead}, {kWILL, kOptionComPort}})
    appendNegotiation(command, option, expected);
  EXPECT_EQ(out, expected);
}

TEST(Rfc2217Client, RefusesUnknownOptionsAndAnswersKnownOnesOnlyOnce) {
  Rfc2217Client client;
  Bytes opening;
  client.start(opening);
  EXPECT_EQ(serverSays(client, negotiation(kWILL, kOptionEcho)), negotiation(kDONT, kOptionEcho));
  EXPECT_EQ(serverSays(client, negotiation(kDO, 24)), negotiation(kWONT, 24));
  EXPECT_TRUE(serverSays(client, negotiation(kDONT, 24)).empty());  // already off: no answer
  // The answers to what the client asked for need no answer back.
  EXPECT_TRUE(serverSays(client, negotiation(kDO, kOptionBinary)).empty());
  EXPECT_TRUE(serverSays(client, negotiation(kWILL, kOptionBinary)).empty());
  EXPECT_TRUE(serverSays(client, negotiation(kDO, kOptionBinary)).empty());  // and no loop
  // A server that turns an option off is acknowledged once.
  EXPECT_EQ(serverSays(client, negotiation(kWONT, kOptionBinary)), negotiation(kDONT, kOptionBinary));
  EXPECT_TRUE(serverSays(client, negotiation(kWONT, kOptionBinary)).empty());
  // A server offering COM-PORT-OPTION from its side is taken up.
  EXPECT_EQ(serverSays(client, negotiation(kWILL, kOptionComPort)), negotiation(kDO, kOptionComPort));
}

TEST(Rfc2217Client, SendsTheLineOnceComPortIsTakenAndAgainOnEveryChange) {
  Rfc2217Client client;
  Bytes out;
  client.start(out);
  LineSettings line;
  line.baud = 2400;
  out.clear();
  client.setLine(line, out);
  client.setRts(false, out);
  EXPECT_TRUE(out.empty());  // kept until the server agrees
  EXPECT_EQ(client.comPortState(), Rfc2217Client::ComPortState::Asked);

  const Bytes accepted = serverSays(client, negotiation(kDO, kOptionComPort));
  EXPECT_EQ(client.comPortState(), Rfc2217Client::ComPortState::Accepted);
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetBaudRate, {0, 0, 0x09, 0x60})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetDataSize, {8})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetParity, {comport::kParityNone})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetStopSize, {comport::kStopOne})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetControl, {comport::kDtrOn})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetControl, {comport::kRtsOff})));
  EXPECT_TRUE(contains(accepted, comPortCommand(comport::kSetModemStateMask, {0xFF})));

  line.baud = 115200 + 255;  // 0x0001C2FF: a 0xFF inside the value travels doubled
  line.parity = Parity::pEven;
  line.dataBits = 7;
  line.stopBits = StopBitsSetting::Two;
  out.clear();
  client.setLine(line, out);
  EXPECT_TRUE(contains(out, Bytes{kIAC, kSB, kOptionComPort, comport::kSetBaudRate, 0x00, 0x01, 0xC2, 0xFF, 0xFF, kIAC, kSE}));
  EXPECT_TRUE(contains(out, comPortCommand(comport::kSetParity, {comport::kParityEven})));
  EXPECT_TRUE(contains(out, comPortCommand(comport::kSetDataSize, {7})));
  EXPECT_TRUE(contains(out, comPortCommand(comport::kSetStopSize, {comport::kStopTwo})));
  out.clear();
  client.purge(comport::kPurgeReceive, out);
  EXPECT_EQ(out, comPortCommand(comport::kPurgeData, {comport::kPurgeReceive}));
}

TEST(Rfc2217Client, ARefusalIsToldOnceAndNothingIsSentForTheLine) {
  Rfc2217Client client;
  Bytes out;
  client.start(out);
  EXPECT_TRUE(serverSays(client, negotiation(kDONT, kOptionComPort)).empty());
  EXPECT_EQ(client.comPortState(), Rfc2217Client::ComPortState::Refused);
  EXPECT_TRUE(client.takeRefusal());
  EXPECT_FALSE(client.takeRefusal());
  out.clear();
  client.setLine(LineSettings{}, out);
  client.setDtr(false, out);
  client.purge(comport::kPurgeTransmit, out);
  EXPECT_TRUE(out.empty());
}

TEST(Rfc2217Client, ModemAndLineStateNotificationsBecomeLinesAndErrors) {
  Rfc2217Client client;
  Bytes out;
  client.start(out);
  serverSays(client, negotiation(kDO, kOptionComPort));
  serverSays(client, comPortCommand(comport::kServerOffset + comport::kNotifyModemState,
                                    {modem::kDCD | modem::kCTS | modem::kDeltaDCD}));
  EXPECT_EQ(client.modemLines(), modem::kDCD | modem::kCTS);
  EXPECT_TRUE(client.takeModemChange());
  EXPECT_FALSE(client.takeModemChange());
  // The same lines again (only delta bits differ): no change to report.
  serverSays(client, comPortCommand(comport::kServerOffset + comport::kNotifyModemState, {modem::kDCD | modem::kCTS}));
  EXPECT_FALSE(client.takeModemChange());

  serverSays(client, comPortCommand(comport::kServerOffset + comport::kNotifyLineState,
                                    {comport::kLineFraming | comport::kLineOverrun | 0x01 /* data ready */}));
  EXPECT_EQ(client.takeLineErrors(), line_error::kFraming | line_error::kOverrun);
  EXPECT_EQ(client.takeLineErrors(), 0);
  // Short or foreign subnegotiations change nothing.
  serverSays(client, comPortCommand(comport::kServerOffset + comport::kNotifyModemState, {}));
  EXPECT_EQ(client.modemLines(), modem::kDCD | modem::kCTS);
}

}  // namespace
}  // namespace solwire::telnet
