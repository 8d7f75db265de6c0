// Stand-ins for the ports, matchers, windows and services around the link
// controller. They record what the controller did, so tests can check the
// traffic on the line and what the operator saw and heard.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "protocol/link_controller.h"
#include "protocol/status_messages.h"
#include "serial/link_operations.h"

namespace solwire::test {

class FakeLinkPort : public LinkPort {
 public:
  void setComNumber(std::uint16_t number) override { comNumber = number; }
  std::uint16_t ComNumber() const override { return comNumber; }
  void setBaud(std::int32_t b) override { baud = b; }
  std::int32_t Baud() const override { return baud; }
  void setParity(Parity p) override { parity = p; }
  void setDataBits(std::uint16_t bits) override { dataBits = bits; }
  void setStopBits(std::uint16_t bits) override { stopBits = bits; }
  void setOpen(bool value) override {
    if (value && failOpen) throw std::runtime_error("device not found");
    open = value;
    if (value) ++opens;
  }
  // What the system said about a failed open, when the test gives it words.
  std::string OpenFailureReason() const override { return failOpen ? failReason : std::string(); }
  bool Open() const override { return open; }
  void SendString(std::string_view text) override {
    if (failSend) throw std::runtime_error("output buffer too small");
    if (onSend) onSend();
    sent.emplace_back(text);
  }
  void FlushInput() override {
    ++inputFlushes;
    unread = 0;
  }
  void FlushOutput() override { ++outputFlushes; }
  std::uint16_t NewTimerTrigger() override { return 8; }
  void ArmTimerTrigger(std::uint16_t, std::uint32_t, bool) override {}
  void DropTrigger(std::uint16_t) override {}

  std::uint16_t comNumber = 0;
  std::int32_t baud = 19200;
  Parity parity = Parity::pEven;
  std::uint16_t dataBits = 7;
  std::uint16_t stopBits = 2;
  bool open = false;
  bool failOpen = false;
  std::string failReason;
  bool failSend = false;
  int opens = 0;
  int inputFlushes = 0;
  int outputFlushes = 0;
  int unread = 0;  // received bytes waiting in the port
  std::function<void()> onSend;  // called as a frame goes out, before it is recorded
  std::vector<std::string> sent;
};

class FakeMatcher : public ReplyMatcher {
 public:
  void setPacketSize(std::int32_t size) override { packetSize = size; }
  std::int32_t PacketSize() const override { return packetSize; }
  void setTimeOut(std::int32_t t) override { timeOut = t; }
  std::int32_t TimeOut() const override { return timeOut; }
  // Like the modem line's collector: enabling an enabled matcher changes
  // nothing; disabling drops what it had collected.
  void setEnabled(bool e) override {
    enabled = e;
    if (e) ++enables;
    if (!e) collected.clear();
  }
  bool Enabled() const override { return enabled; }

  // Delivers a reply as the matcher would once PacketSize bytes are in.
  void deliver(const std::vector<std::uint8_t>& reply) {
    enabled = false;
    if (OnPacket) OnPacket(*this, reply.data(), static_cast<std::int32_t>(reply.size()));
  }
  void timeOutNow() {
    enabled = false;
    if (OnTimeout) OnTimeout(*this);
  }
  // Bytes that arrive without completing a packet.
  void collect(const std::vector<std::uint8_t>& bytes) {
    if (enabled) collected.insert(collected.end(), bytes.begin(), bytes.end());
  }

  std::int32_t packetSize = 0;
  std::int32_t timeOut = 0;
  bool enabled = false;
  int enables = 0;
  std::vector<std::uint8_t> collected;
};

class RecordingViews : public LinkViews {
 public:
  void showLinkStatus(LinkStatus s) override { statuses.push_back(s); }
  void showClock(const LocalTime& now) override { clock = now; }
  void showLinkInStatus(int com, int b) override {
    comNumber = com;
    baud = b;
  }
  void showHoursToLog(int hours, bool editable) override {
    hoursToLog = hours;
    rateEditable = editable;
  }
  void hideCurrentStateWait() override { calls.push_back("hideCurrentStateWait"); }
  void labelupdate() override { calls.push_back("labelupdate"); }
  void setdisplay() override { calls.push_back("setdisplay"); }
  void caldisplay() override { calls.push_back("caldisplay"); }
  void hideHistoryWait() override { calls.push_back("hideHistoryWait"); }
  void setHistoryProgress(int position) override { progress.push_back(position); }
  void drawgraph() override { calls.push_back("drawgraph"); }
  void repaintAlarmStatus() override { calls.push_back("repaintAlarmStatus"); }
  void setAlarmPollPending(bool pending) override { alarmPending.push_back(pending); }
  void enableSaveOption(SaveOption option) override { enabledOptions.push_back(option); }
  void disableSaveOptions() override { calls.push_back("disableSaveOptions"); }

  LinkStatus lastStatus() const { return statuses.empty() ? LinkStatus::Closed : statuses.back(); }
  bool called(const std::string& name) const {
    for (const auto& c : calls)
      if (c == name) return true;
    return false;
  }

  std::vector<LinkStatus> statuses;
  std::vector<std::string> calls;
  std::vector<int> progress;
  std::vector<bool> alarmPending;
  std::vector<SaveOption> enabledOptions;
  LocalTime clock;
  int comNumber = 0;
  int baud = 0;
  int hoursToLog = -1;
  bool rateEditable = false;
};

class CountingFeedback : public Feedback {
 public:
  void beep() override { ++beeps; }
  int beeps = 0;
};

class CountingLogWriter : public LogWriter {
 public:
  void writeLogEntry(const LogReading& reading) override {
    ++entries;
    readings.push_back(reading);
  }
  int entries = 0;
  std::vector<LogReading> readings;
};

class RecordingDialSupervisor : public DialSupervisor {
 public:
  void superviseCalls() override { ++ticks; }
  void dialup(DialReason reason, const std::string& number) override { dials.push_back({reason, number}); }
  struct Dial {
    DialReason reason;
    std::string number;
  };
  int ticks = 0;
  std::vector<Dial> dials;
};

}  // namespace solwire::test
