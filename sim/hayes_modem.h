// A simulated Hayes modem: the computer's side of a dial-up line. It answers
// AT commands with echo and result codes (verbose or numeric), dials numbers
// that connect after a delay, answer BUSY or NO CARRIER, or never answer;
// once connected it raises DCD and passes data both ways, and it goes back to
// command mode only on "+++" framed by the guard time. The caller moves time
// and carries the bytes; this decides what is sent and when. Everything the
// computer sent is recorded with its time, so tests can check the timing of a
// hang-up.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace solwire::sim {

enum class DialAnswer { Connect, Busy, NoCarrier, NeverAnswer };

struct HayesModemOptions {
  std::chrono::milliseconds connectDelay{2000};  // from the dial to CONNECT and DCD
  std::chrono::milliseconds failureDelay{1000};  // from the dial to BUSY or NO CARRIER
  std::chrono::milliseconds guardTime{1000};     // silence around "+++"
  int connectSpeed = 2400;
  std::map<std::string, DialAnswer> answers;  // by the digits dialled; others connect
  // A modem set to take "+++" as data (or one whose escape the line
  // swallowed): once online, only the far end or DTR ends the call.
  bool ignoresEscape = false;
};

class HayesModem {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  enum class Mode { Command, Dialling, Online, OnlineCommand };

  struct Received {
    TimePoint at;
    std::string bytes;
  };

  explicit HayesModem(HayesModemOptions options = {});

  // Bytes from the computer at `now`.
  void fromComputer(std::span<const std::uint8_t> bytes, TimePoint now);
  // Bytes from the far end (the regulator bus behind a connected call).
  void fromRemote(std::span<const std::uint8_t> bytes);
  // Lets time pass: a dial completes, an escape's closing guard time ends.
  void advance(TimePoint now);
  // When advance() next has something to do.
  std::optional<TimePoint> nextDue() const;

  std::vector<std::uint8_t> takeToComputer();
  std::vector<std::uint8_t> takeToRemote();

  // The far end hangs up: NO CARRIER, DCD drops.
  void dropCarrier();
  // The computer dropped DTR (closed its port): with &D2, the default, a call
  // in progress ends; with &D0 nothing happens.
  void dtrDropped();

  bool dcd() const { return dcd_; }
  Mode mode() const { return mode_; }
  const std::string& lastNumber() const { return lastNumber_; }
  const std::vector<Received>& record() const { return record_; }

 private:
  enum class Result { Ok = 0, Connect = 1, Ring = 2, NoCarrier = 3, Error = 4, NoDialtone = 6, Busy = 7, NoAnswer = 8 };

  void commandByte(std::uint8_t byte, TimePoint now);
  void onlineByte(std::uint8_t byte, TimePoint now);
  void runCommandLine(const std::string& line, TimePoint now);
  bool runCommand(const std::string& body, std::size_t& pos, TimePoint now, bool& dialled);
  void dial(const std::string& number, TimePoint now);
  void sendResult(Result result);
  void hangUp();
  void send(std::string_view text);

  HayesModemOptions options_;
  Mode mode_ = Mode::Command;
  bool echo_ = true;
  bool verbose_ = true;
  bool quiet_ = false;
  int dtrMode_ = 2;
  bool dcd_ = false;
  std::string line_;
  std::string lastNumber_;
  std::optional<TimePoint> dialDone_;
  DialAnswer dialAnswer_ = DialAnswer::Connect;

  // The escape: silence since lastOnlineByte_, then up to three '+' each
  // within the guard time, then silence until escapeDue_.
  std::optional<TimePoint> lastOnlineByte_;
  int pluses_ = 0;
  std::optional<TimePoint> escapeDue_;

  std::vector<std::uint8_t> toComputer_;
  std::vector<std::uint8_t> toRemote_;
  std::vector<Received> record_;
};

}  // namespace solwire::sim
