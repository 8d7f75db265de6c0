// Serves a simulated regulator bus over TCP, as a device server would serve a
// real line: raw bytes ("tcp") or RFC 2217 ("rfc2217"), one client at a time
// (a second one is turned away while the first stays). Its input lines can be
// set while it runs, so a test or an operator can raise and drop DCD, CTS,
// DSR and RI on the client's port. With a modem, the bus sits behind a
// simulated Hayes modem whose CTS, DSR and DCD are the lines the client sees;
// the client dropping DTR, or going away, is DTR dropped at the modem.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/hayes_modem.h"
#include "sim/modem_front_end.h"
#include "sim/regulator_bus.h"
#include "sim/rfc2217_server_session.h"

namespace solwire::sim {

struct ListenOptions {
  enum class Protocol { RawTcp, Rfc2217 };
  Protocol protocol = Protocol::Rfc2217;
  std::uint16_t port = 0;  // 0: any free port (see port())
  std::string bindAddress = "127.0.0.1";
  bool refuseComPort = false;  // answer COM-PORT-OPTION with DONT
};

class NetworkLineServer {
 public:
  // Binds and listens at once; throws std::system_error when it cannot.
  // With `modem`, the bus sits behind a simulated modem with these options.
  NetworkLineServer(const ListenOptions& options, std::uint32_t seed, int baud,
                    std::optional<HayesModemOptions> modem = std::nullopt);
  ~NetworkLineServer();
  NetworkLineServer(const NetworkLineServer&) = delete;
  NetworkLineServer& operator=(const NetworkLineServer&) = delete;

  std::uint16_t port() const { return port_; }
  void withBus(const std::function<void(RegulatorBus&)>& change);

  // The input lines the client sees (modem::kCTS|kDSR|kRI|kDCD). With a
  // modem they follow the modem, and setting them has no effect.
  void setModemLines(std::uint8_t lines);
  std::uint8_t modemLines() const;

  bool hasModem() const { return modem_ != nullptr; }
  // With a modem: the far end hangs up (NO CARRIER, DCD drops).
  void dropCarrier();
  // With a modem: what the client sent it, with the time (steady clock).
  std::vector<HayesModem::Received> modemRecord() const;
  bool carrier() const;
  // What the client has asked of the line so far (RFC 2217 only).
  RequestedLine requested() const;
  bool comPortAccepted() const;
  int connectionsAccepted() const;

  // Serves on this thread until stop(); or on a thread of its own.
  void run();
  void start();
  void stop();

 private:
  void serveOnce(int timeoutMs);
  void acceptClient();
  void dropClient();
  void readClient();
  bool readClientOnce();  // false when nothing more is there, or the client went
  void sendToClient(const std::vector<std::uint8_t>& bytes);
  int millisecondsToNextByte() const;
  void wake();
  void followClientDtr();
  void followModemLines(std::vector<std::uint8_t>& out);

  const ListenOptions options_;
  int listenFd_ = -1;
  int wakeFd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;

  mutable std::mutex mutex_;  // everything below
  RegulatorBus bus_;
  std::unique_ptr<ServedLine> line_;
  ModemFrontEnd* modem_ = nullptr;  // line_, when it is a modem
  Rfc2217ServerSession session_;
  bool clientDtr_ = false;
  int clientFd_ = -1;
  int connections_ = 0;
  std::uint8_t lines_ = 0;
  bool linesChanged_ = false;
};

}  // namespace solwire::sim
