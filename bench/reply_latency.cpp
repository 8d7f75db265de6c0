#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/data_packet.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {

void replyLatency() {
  constexpr int kRounds = 1000;
  PtyPair pty;
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  port.setDevicePath(pty.slavePath());
  port.setBaud(2400);
  TDataPacket datapack1(port);
  datapack1.setStartCond(StartCondition::scAnyData);
  datapack1.setEndCond(ecPacketSize);
  datapack1.setAutoEnable(false);
  datapack1.setPacketSize(27);
  datapack1.setTimeOut(150);
  std::chrono::steady_clock::time_point arrived;
  int packets = 0;
  datapack1.OnPacket = [&](ReplyMatcher&, const std::uint8_t*, std::int32_t) {
    arrived = std::chrono::steady_clock::now();
    ++packets;
  };
  port.setOpen(true);

  const std::string reply(27, '\xA5');
  std::vector<double> micros;
  for (int i = 0; i < kRounds; ++i) {
    datapack1.setEnabled(true);
    pty.writeAll(reply.data(), reply.size());
    const auto written = std::chrono::steady_clock::now();
    if (!ui.runUntil([&] { return packets == i + 1; }, std::chrono::seconds(5))) {
      std::printf("latency: reply %d not delivered\n", i);
      return;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(arrived - written).count());
  }
  std::printf("reply latency (27-byte reply written into a pty -> OnPacket on the main thread, %d replies):\n",
              kRounds);
  std::printf("  median %.1f us   p99 %.1f us   max %.1f us\n", percentile(micros, 50), percentile(micros, 99),
              percentile(micros, 100));
}

}  // namespace solwire::bench
