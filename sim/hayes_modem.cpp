#include "sim/hayes_modem.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace solwire::sim {

namespace {

constexpr std::uint8_t kCarriageReturn = '\r';
constexpr std::uint8_t kLineFeed = '\n';
constexpr std::uint8_t kBackspace = 8;
constexpr std::size_t kMaxCommandLine = 64;

std::string upperWithoutSpaces(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// The optional number after a command letter ("E0", "E"): its value, 0 when absent.
int numberAt(const std::string& body, std::size_t& pos) {
  int value = 0;
  while (pos < body.size() && std::isdigit(static_cast<unsigned char>(body[pos]))) {
    value = std::min(value * 10 + (body[pos] - '0'), 9999);
    ++pos;
  }
  return value;
}

int numericConnectCode(int speed) {
  switch (speed) {
    case 1200: return 5;
    case 2400: return 10;
    case 4800: return 11;
    case 9600: return 12;
    default: return 1;
  }
}

}  // namespace

HayesModem::HayesModem(HayesModemOptions options) : options_(std::move(options)) {}

void HayesModem::fromComputer(std::span<const std::uint8_t> bytes, TimePoint now) {
  if (bytes.empty()) return;
  record_.push_back({now, std::string(bytes.begin(), bytes.end())});
  for (std::uint8_t byte : bytes) {
    switch (mode_) {
      case Mode::Command:
      case Mode::OnlineCommand: commandByte(byte, now); break;
      case Mode::Dialling:
        // Any key but the line feed that ends the dial command aborts the dial.
        if (byte == kLineFeed) break;
        dialDone_.reset();
        mode_ = Mode::Command;
        sendResult(Result::NoCarrier);
        break;
      case Mode::Online: onlineByte(byte, now); break;
    }
  }
}

void HayesModem::fromRemote(std::span<const std::uint8_t> bytes) {
  if (mode_ == Mode::Online) toComputer_.insert(toComputer_.end(), bytes.begin(), bytes.end());
}

void HayesModem::advance(TimePoint now) {
  if (mode_ == Mode::Dialling && dialDone_ && now >= *dialDone_) {
    const TimePoint done = *dialDone_;
    dialDone_.reset();
    switch (dialAnswer_) {
      case DialAnswer::Connect:
        dcd_ = true;
        mode_ = Mode::Online;
        lastOnlineByte_ = done;
        pluses_ = 0;
        sendResult(Result::Connect);
        break;
      case DialAnswer::Busy:
        mode_ = Mode::Command;
        sendResult(Result::Busy);
        break;
      case DialAnswer::NoCarrier:
      case DialAnswer::NeverAnswer:
        mode_ = Mode::Command;
        sendResult(Result::NoCarrier);
        break;
    }
  }
  if (mode_ == Mode::Online && escapeDue_ && now >= *escapeDue_) {
    escapeDue_.reset();
    pluses_ = 0;
    mode_ = Mode::OnlineCommand;
    sendResult(Result::Ok);
  }
}

std::optional<HayesModem::TimePoint> HayesModem::nextDue() const {
  std::optional<TimePoint> next;
  if (mode_ == Mode::Dialling && dialDone_) next = dialDone_;
  if (mode_ == Mode::Online && escapeDue_ && (!next || *escapeDue_ < *next)) next = escapeDue_;
  return next;
}

std::vector<std::uint8_t> HayesModem::takeToComputer() { return std::exchange(toComputer_, {}); }
std::vector<std::uint8_t> HayesModem::takeToRemote() { return std::exchange(toRemote_, {}); }

void HayesModem::dropCarrier() {
  if (!dcd_ && mode_ != Mode::Dialling) return;
  hangUp();
  sendResult(Result::NoCarrier);
}

void HayesModem::dtrDropped() {
  if (dtrMode_ != 2 || (!dcd_ && mode_ != Mode::Dialling)) return;
  hangUp();
}

void HayesModem::commandByte(std::uint8_t byte, TimePoint now) {
  if (echo_) toComputer_.push_back(byte);
  if (byte == kCarriageReturn) {
    std::string line = std::exchange(line_, {});
    runCommandLine(line, now);
  } else if (byte == kBackspace) {
    if (!line_.empty()) line_.pop_back();
  } else if (byte != kLineFeed && line_.size() < kMaxCommandLine) {
    line_ += static_cast<char>(byte);
  }
}

void HayesModem::onlineByte(std::uint8_t byte, TimePoint now) {
  const bool quietBefore = !lastOnlineByte_ || now - *lastOnlineByte_ >= options_.guardTime;
  if (byte == '+' && !options_.ignoresEscape) {
    if (pluses_ == 0 && quietBefore) {
      pluses_ = 1;
    } else if (pluses_ > 0 && pluses_ < 3 && !quietBefore) {
      ++pluses_;
    } else {
      pluses_ = 0;
    }
    escapeDue_.reset();
    if (pluses_ == 3) escapeDue_ = now + options_.guardTime;
  } else {
    pluses_ = 0;
    escapeDue_.reset();
  }
  lastOnlineByte_ = now;
  toRemote_.push_back(byte);
}

void HayesModem::runCommandLine(const std::string& line, TimePoint now) {
  const std::string body = upperWithoutSpaces(line);
  const std::size_t at = body.find("AT");
  if (at == std::string::npos) return;  // not a command: ignored, as noise
  std::size_t pos = at + 2;
  bool dialled = false;
  while (pos < body.size()) {
    if (!runCommand(body, pos, now, dialled)) {
      sendResult(Result::Error);
      return;
    }
    if (dialled) return;  // the dial's result comes later
  }
  sendResult(Result::Ok);
}

bool HayesModem::runCommand(const std::string& body, std::size_t& pos, TimePoint now, bool& dialled) {
  const char command = body[pos++];
  switch (command) {
    case 'E': echo_ = numberAt(body, pos) != 0; return true;
    case 'V': verbose_ = numberAt(body, pos) != 0; return true;
    case 'Q': quiet_ = numberAt(body, pos) != 0; return true;
    case 'Z':
      numberAt(body, pos);
      dtrMode_ = 2;
      echo_ = true;
      verbose_ = true;
      quiet_ = false;
      if (dcd_) hangUp();
      return true;
    case 'H':
      numberAt(body, pos);
      hangUp();
      return true;
    case 'O':
      numberAt(body, pos);
      if (!dcd_) return false;
      mode_ = Mode::Online;
      lastOnlineByte_ = now;
      sendResult(Result::Connect);
      dialled = true;  // no OK after CONNECT
      return true;
    case 'D':
      if (dcd_) return false;
      dial(body.substr(pos), now);
      pos = body.size();
      dialled = true;
      return true;
    case '&': {
      if (pos >= body.size() || !std::isalpha(static_cast<unsigned char>(body[pos]))) return false;
      const char option = body[pos++];
      const int value = numberAt(body, pos);
      if (option == 'D') dtrMode_ = value;
      if (option == 'F') dtrMode_ = 2;
      return true;
    }
    case 'S':
      numberAt(body, pos);
      if (pos < body.size() && body[pos] == '=') {
        ++pos;
        numberAt(body, pos);
      } else if (pos < body.size() && body[pos] == '?') {
        ++pos;
        send(verbose_ ? "\r\n000\r\n" : "000\r\n");
      }
      return true;
    case 'I':
      numberAt(body, pos);
      send(verbose_ ? "\r\nSimulated modem\r\n" : "Simulated modem\r\n");
      return true;
    case 'B': case 'C': case 'L': case 'M': case 'N': case 'W': case 'X':
      numberAt(body, pos);
      return true;
    default: return false;
  }
}

void HayesModem::dial(const std::string& dialString, TimePoint now) {
  std::string digits;
  for (char c : dialString) {
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#') digits += c;
  }
  lastNumber_ = digits;
  const auto found = options_.answers.find(digits);
  dialAnswer_ = found == options_.answers.end() ? DialAnswer::Connect : found->second;
  mode_ = Mode::Dialling;
  switch (dialAnswer_) {
    case DialAnswer::Connect: dialDone_ = now + options_.connectDelay; break;
    case DialAnswer::Busy:
    case DialAnswer::NoCarrier: dialDone_ = now + options_.failureDelay; break;
    case DialAnswer::NeverAnswer: dialDone_.reset(); break;
  }
}

void HayesModem::hangUp() {
  dcd_ = false;
  mode_ = Mode::Command;
  dialDone_.reset();
  escapeDue_.reset();
  pluses_ = 0;
}

void HayesModem::sendResult(Result result) {
  if (quiet_) return;
  if (!verbose_) {
    const int code = result == Result::Connect ? numericConnectCode(options_.connectSpeed) : static_cast<int>(result);
    send(std::to_string(code) + "\r");
    return;
  }
  std::string text;
  switch (result) {
    case Result::Ok: text = "OK"; break;
    case Result::Connect: text = "CONNECT " + std::to_string(options_.connectSpeed); break;
    case Result::Ring: text = "RING"; break;
    case Result::NoCarrier: text = "NO CARRIER"; break;
    case Result::Error: text = "ERROR"; break;
    case Result::NoDialtone: text = "NO DIALTONE"; break;
    case Result::Busy: text = "BUSY"; break;
    case Result::NoAnswer: text = "NO ANSWER"; break;
  }
  send("\r\n" + text + "\r\n");
}

void HayesModem::send(std::string_view text) { toComputer_.insert(toComputer_.end(), text.begin(), text.end()); }

}  // namespace solwire::sim
