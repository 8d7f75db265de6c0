#include <chrono>
#include <cstdio>
#include <vector>

#include "bench_cases.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {

void timerAccuracy() {
  constexpr int kRounds = 10;
  PtyPair pty;
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  port.setDevicePath(pty.slavePath());
  std::chrono::steady_clock::time_point fired;
  int hits = 0;
  port.OnTriggerTimer = [&](LinkPort&, std::uint16_t) {
    fired = std::chrono::steady_clock::now();
    ++hits;
  };
  port.setOpen(true);
  const std::uint16_t handle = port.NewTimerTrigger();
  std::vector<double> ms;
  for (int i = 0; i < kRounds; ++i) {
    const auto armed = std::chrono::steady_clock::now();
    port.ArmTimerTrigger(handle, 24, true);
    if (!ui.runUntil([&] { return hits == i + 1; }, std::chrono::seconds(5))) return;
    ms.push_back(std::chrono::duration<double, std::milli>(fired - armed).count());
  }
  std::printf("24-tick timer trigger, arming -> OnTriggerTimer on the main thread (%d rounds):\n", kRounds);
  std::printf("  min %.2f ms   median %.2f ms   max %.2f ms\n", percentile(ms, 0), percentile(ms, 50),
              percentile(ms, 100));
}

}  // namespace solwire::bench
