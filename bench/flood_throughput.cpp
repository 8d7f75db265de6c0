#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "bench_cases.h"
#include "pty_pair.h"
#include "serial/com_port.h"
#include "serial/data_packet.h"
#include "serial/queue_main_thread.h"

namespace solwire::bench {
namespace {

constexpr std::size_t kTotal = 32u << 20;  // bytes per run
constexpr int kRounds = 5;                   // runs of each kind, alternating; medians are printed
constexpr std::size_t kChunk = 4096;

struct Figures {
  double seconds = 0;
  double receiverCpu = 0;  // process CPU minus the writer thread's
  DispatcherStats stats;   // the port's loop counters (none for the plain loop)
};

// Runs `receive` while a thread floods the pty's master with kTotal bytes.
template <typename Receive>
Figures flood(PtyPair& pty, Receive receive) {
  std::atomic<double> writerCpu{0};
  const double cpuBefore = processCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] {
    const std::vector<char> chunk(kChunk, '\x5A');
    for (std::size_t sent = 0; sent < kTotal; sent += kChunk) pty.writeAll(chunk.data(), chunk.size());
    writerCpu = threadCpuSeconds();
  });
  receive();
  const auto end = std::chrono::steady_clock::now();
  writer.join();
  const double cpu = processCpuSeconds() - cpuBefore - writerCpu.load();
  return {std::chrono::duration<double>(end - start).count(), cpu, {}};
}

Figures plainReadLoop() {
  PtyPair pty;
  const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  termios raw{};
  tcgetattr(fd, &raw);
  cfmakeraw(&raw);
  tcsetattr(fd, TCSANOW, &raw);
  const Figures f = flood(pty, [&] {
    std::vector<char> buffer(8192);
    std::size_t received = 0;
    while (received < kTotal) {
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 1000);
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n > 0) received += static_cast<std::size_t>(n);
    }
  });
  ::close(fd);
  return f;
}

Figures throughPort(std::int32_t packetSize) {
  PtyPair pty;
  QueueMainThread ui;
  TComPort port(ui);
  port.setAutoOpen(false);
  port.setDevicePath(pty.slavePath());
  port.setBaud(115200);
  TDataPacket packet(port);
  packet.setStartCond(StartCondition::scAnyData);
  packet.setEndCond(ecPacketSize);
  packet.setAutoEnable(true);
  packet.setPacketSize(packetSize);
  packet.setTimeOut(0);
  std::size_t received = 0;
  packet.OnPacket = [&](ReplyMatcher&, const std::uint8_t*, std::int32_t size) {
    received += static_cast<std::size_t>(size);
  };
  port.setOpen(true);
  packet.setEnabled(true);
  const std::size_t whole = kTotal / static_cast<std::size_t>(packetSize) * static_cast<std::size_t>(packetSize);
  Figures f = flood(pty, [&] { ui.runUntil([&] { return received >= whole; }, std::chrono::seconds(120)); });
  f.stats = port.stats();
  return f;
}

Figures median(std::vector<Figures> runs) {
  std::vector<double> seconds, cpu;
  for (const auto& f : runs) {
    seconds.push_back(f.seconds);
    cpu.push_back(f.receiverCpu);
  }
  return {percentile(seconds, 50), percentile(cpu, 50), runs.back().stats};  // counters: the last run
}

void print(const char* name, const Figures& f) {
  const double mb = static_cast<double>(kTotal) / (1 << 20);
  std::printf("  %-44s %8.1f MB/s   receiver CPU %6.1f ms/MB\n", name, mb / f.seconds, f.receiverCpu * 1000 / mb);
  if (f.stats.dispatchPasses == 0) return;
  const auto perMb = [&](std::uint64_t count) { return static_cast<double>(count) / mb; };
  std::printf("    per MB, last run: %.0f dispatch passes, %.0f event-thread wake-ups, %.0f device reads, %.0f notifications\n",
              perMb(f.stats.dispatchPasses), perMb(f.stats.eventWaits), perMb(f.stats.deviceReads),
              perMb(f.stats.notifications));
}

}  // namespace

void floodThroughput() {
  std::printf("flooded pty, %zu MB per run, median of %d runs each (receiver CPU = process CPU minus the writer thread):\n",
              kTotal >> 20, kRounds);
  std::vector<Figures> plain, large, small;
  for (int round = 0; round < kRounds; ++round) {
    plain.push_back(plainReadLoop());
    large.push_back(throughPort(4096));
    small.push_back(throughPort(27));
  }
  const Figures p = median(plain);
  print("plain poll()+read() loop", p);
  const Figures l = median(large);
  print("dispatcher + TDataPacket (PacketSize 4096)", l);
  std::printf("    ratio to the plain loop: %.2f\n", p.seconds / l.seconds);
  const Figures s = median(small);
  print("dispatcher + TDataPacket (PacketSize 27)", s);
  std::printf("    ratio to the plain loop: %.2f\n", p.seconds / s.seconds);
}

}  // namespace solwire::bench
