#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "loopback_peer.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/data_packet.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {
namespace {

constexpr int kRounds = 1000;

// Reply delays in microseconds: `writeReply` puts 27 bytes on the far end of
// `port` (already pointed at its device), until OnPacket on the main thread.
std::vector<double> replyDelays(QueueMainThread& ui, TComPort& port, const std::function<void()>& openFarEnd,
                                const std::function<void(const std::string&)>& writeReply) {
  port.setAutoOpen(false);
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
  openFarEnd();

  const std::string reply(27, '\xA5');
  std::vector<double> micros;
  for (int i = 0; i < kRounds; ++i) {
    datapack1.setEnabled(true);
    writeReply(reply);
    const auto written = std::chrono::steady_clock::now();
    if (!ui.runUntil([&] { return packets == i + 1; }, std::chrono::seconds(5))) {
      std::printf("latency: reply %d not delivered\n", i);
      return {};
    }
    micros.push_back(std::chrono::duration<double, std::micro>(arrived - written).count());
  }
  port.setOpen(false);
  return micros;
}

void print(const char* what, const std::vector<double>& micros) {
  if (micros.empty()) return;
  std::printf("reply latency (27-byte reply %s -> OnPacket on the main thread, %d replies):\n", what, kRounds);
  std::printf("  median %.1f us   p99 %.1f us   max %.1f us\n", percentile(micros, 50), percentile(micros, 99),
              percentile(micros, 100));
}

}  // namespace

void replyLatency() {
  {
    PtyPair pty;
    QueueMainThread ui;
    TComPort port(ui);
    port.setDevicePath(pty.slavePath());
    print("written into a pty",
          replyDelays(ui, port, [] {}, [&](const std::string& reply) { pty.writeAll(reply.data(), reply.size()); }));
  }
  {
    LoopbackPeer peer;
    QueueMainThread ui;
    TComPort port(ui);
    port.setDevicePath(peer.url("rfc2217"));
    print("sent by an RFC 2217 server over loopback TCP",
          replyDelays(ui, port, [&] { peer.accept(true); },
                      [&](const std::string& reply) { peer.writeAll(reply.data(), reply.size()); }));
  }
}

}  // namespace solwire::bench
