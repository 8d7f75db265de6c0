// How long a watcher's round over 32 sites takes on the built-in simulated
// line at 2400 baud, against the time its bytes need on the wire: the
// requests and replies alone, and with the regulators' own turnaround. The
// rest is what the watcher adds between requests. Run by hand; prints ratios.
#include <chrono>
#include <cstdio>
#include <numeric>
#include <vector>

#include "cli/site_watcher.h"
#include "protocol/request_frames.h"
#include "sim/reply.h"

namespace {

using namespace solwire;

constexpr int kBaud = 2400;
constexpr int kBaudIndex = 4;
constexpr int kRounds = 3;
constexpr int kRequestBytes = 2;
constexpr double kBitsPerByte = 10;

double wireSeconds(int bytes) { return bytes * kBitsPerByte / kBaud; }

// Sites 4..31 like the line's first four: every voltage class on the line.
void fillLine(const cli::SessionPort& port) {
  port.simulatedLine()->withBus([](sim::RegulatorBus& bus) {
    for (int site = 4; site < kSiteCount; ++site) bus.addSite(site, bus.site(site % 4)->typeCode());
  });
}

void measure(bool alarms) {
  cli::WatchOptions options;
  options.port = "sim";
  options.baudIndex = kBaudIndex;
  for (int site = 0; site < kSiteCount; ++site) options.sites.push_back(site);
  options.alarms = alarms;
  const cli::SessionPort port({options.port, options.baudIndex, 0});
  fillLine(port);
  cli::SiteWatcher watcher(options, {port, systemClock(), [] { return std::string(); }, {}}, {});

  std::vector<double> seconds;
  int failed = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (const int site : options.sites) failed += watcher.readSite(site).ok ? 0 : 1;
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  const int perSite = kRequestBytes + replyLength(RequestKind::CurrentState) +
                      (alarms ? kRequestBytes + replyLength(RequestKind::AlarmInputs) : 0);
  const double wire = kSiteCount * wireSeconds(perSite);
  const double turnaround =
      kSiteCount * (alarms ? 2 : 1) * std::chrono::duration<double>(sim::kReplyTurnaround).count();
  const double mean = std::accumulate(seconds.begin(), seconds.end(), 0.0) / static_cast<double>(seconds.size());
  std::printf("32-site round%s at %d baud, %d rounds, %d failed readings:\n", alarms ? " with alarms" : "", kBaud,
              kRounds, failed);
  std::printf("  round %.2f s   wire %.2f s   ratio %.2fx   with the regulators' turnaround %.2f s: %.2fx\n", mean,
              wire, mean / wire, wire + turnaround, mean / (wire + turnaround));
}

}  // namespace

int main() {
  measure(false);
  measure(true);
  return 0;
}
