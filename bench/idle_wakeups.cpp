#include <chrono>
#include <cstdio>

#include "bench_cases.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {

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
}

}  // namespace solwire::bench
