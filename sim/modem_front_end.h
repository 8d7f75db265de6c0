// The regulator bus behind a simulated Hayes modem, as a served line: the
// host's bytes go to the modem, what it passes on during a call reaches the
// bus at the moment it arrived, and the bus's paced replies come back through
// the modem. The modem drives CTS and DSR while switched on and DCD during a
// call. Shared by the in-memory "sim-modem" device and by solwire-sim's pty
// and network servers, which each do their own I/O and keep their own time.
#pragma once

#include "sim/hayes_modem.h"
#include "sim/line_server.h"
#include "sim/regulator_bus.h"
#include "sim/served_line.h"

namespace solwire::sim {

class ModemFrontEnd : public ServedLine {
 public:
  // `baud`: the speed of the telephone line between the two modems.
  ModemFrontEnd(RegulatorBus& bus, HayesModemOptions options, int baud = 2400);

  void received(std::span<const std::uint8_t> bytes, TimePoint arrival, const LocalTime& now) override;
  std::vector<std::uint8_t> takeDue(TimePoint now) override;
  std::optional<TimePoint> nextDue() const override;
  std::optional<std::uint8_t> modemLines() const override;
  void dtrDropped() override { modem_.dtrDropped(); }

  // The far end hangs up: NO CARRIER, DCD drops.
  void dropCarrier() { modem_.dropCarrier(); }
  const HayesModem& modem() const { return modem_; }

 private:
  LineServer remote_;
  HayesModem modem_;
};

}  // namespace solwire::sim
