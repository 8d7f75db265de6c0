#include <chrono>
#include <cstdio>

#include "bench_cases.h"
#include "loopback_peer.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {

namespace {

// An open RFC 2217 port with nothing to do: only the kernel's keepalive
// probes go on, and they wake no thread of ours.
void idleNetworkPort(std::chrono::seconds window) {
  LoopbackPeer peer;
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  port.setDevicePath(peer.url("rfc2217"));
  port.setOpen(true);
  peer.accept(true);
  ui.runFor(std::chrono::milliseconds(200));  // the negotiation settles
  const auto before = port.stats();
  const double cpuBefore = processCpuSeconds();
  ui.runFor(window);
  const double cpu = processCpuSeconds() - cpuBefore;
  const auto after = port.stats();
  const double secs = std::chrono::duration<double>(window).count();
  std::printf("one open idle RFC 2217 port on loopback TCP, %.0f s:\n", secs);
  std::printf("  dispatch-loop passes %.2f/s   event-thread wake-ups %.2f/s   process CPU %.2f ms\n",
              static_cast<double>(after.dispatchPasses - before.dispatchPasses) / secs,
              static_cast<double>(after.eventWaits - before.eventWaits) / secs, cpu * 1000);
}

}  // namespace

void idleWakeups() {
  constexpr auto kWindow = std::chrono::seconds(3);
  PtyPair ptyA, ptyB;
  QueueMainThread ui;
  TComPort a(ui), b(ui);
  for (auto* port : {&a, &b}) port->setAutoOpen(false);
  a.setDevicePath(ptyA.slavePath());
  b.setDevicePath(ptyB.slavePath());
  a.setOpen(true);
  b.setOpen(true);
  const auto beforeA = a.stats();
  const auto beforeB = b.stats();
  const double cpuBefore = processCpuSeconds();
  ui.runFor(kWindow);
  const double cpu = processCpuSeconds() - cpuBefore;
  const auto afterA = a.stats();
  const auto afterB = b.stats();
  const double secs = std::chrono::duration<double>(kWindow).count();
  const auto passes = (afterA.dispatchPasses - beforeA.dispatchPasses) + (afterB.dispatchPasses - beforeB.dispatchPasses);
  const auto waits = (afterA.eventWaits - beforeA.eventWaits) + (afterB.eventWaits - beforeB.eventWaits);
  std::printf("two open idle ports, no armed trigger, %.0f s:\n", secs);
  std::printf("  dispatch-loop passes %.2f/s   event-thread wake-ups %.2f/s   process CPU %.2f ms\n",
              static_cast<double>(passes) / secs, static_cast<double>(waits) / secs, cpu * 1000);
  idleNetworkPort(kWindow);
}

}  // namespace solwire::bench
