// Opening a 10 MB and a 100 MB log in the file viewer, on the offscreen
// platform: how soon the start of the file shows, the longest the event loop
// goes without running a 10 ms timer while the file comes in (goals: first
// screen within 300 ms, no gap over 100 ms), how long until the whole file
// is shown, and the peak memory of the process meanwhile.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "protocol/link_environment.h"
#include "protocol/site_data.h"
#include "store/report_composer.h"
#include "store/rtf_writer.h"
#include "views/read_form.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

class SilentFeedback : public Feedback {
 public:
  void beep() override {}
};

LogReading sampleReading(int hour) {
  LogReading reading;
  reading.site = 3;
  reading.scaling = Scaling{2, 4, 4, false};
  reading.current.batteryVoltageReading = 25 * 1280 + hour * 37;
  reading.current.chargeCurrentReading = 640 * 5 + hour;
  reading.current.loadCurrentReading = 640 * 2 + hour;
  reading.current.dailyMaxVoltage = 142;
  reading.current.dailyMinVoltage = 118;
  reading.current.chargeAh = 40 + hour;
  reading.current.loadAh = 12 + hour;
  reading.current.stateCode = hour % 16;
  return reading;
}

// A log of at least `megabytes` MB: 10 MB of entries in the three
// languages, its body repeated as often as it takes.
fs::path logOfSize(int megabytes) {
  const fs::path path = fs::temp_directory_path() / ("solwire-viewer-bench-" + std::to_string(::getpid()) + "-" +
                                                     std::to_string(megabytes) + ".log");
  RichTextDocument log;
  for (int i = 0; i < 12'000; ++i) {
    log.append(composeLogEntry(sampleReading(i % 24), static_cast<Language>(i % 3),
                               ReportStamp{"07/12/2026", std::to_string(i % 24) + ":00:00"}));
  }
  const RtfTables tables = rtfTablesOf(log);
  const std::string body = writeRtfBody(log.paragraphs(), tables);
  std::ofstream out(path, std::ios::binary);
  out << writeRtfHeader(tables);
  for (std::uintmax_t written = 0; written < static_cast<std::uintmax_t>(megabytes) * 1'000'000;
       written += body.size()) {
    out << body;
  }
  out << kRtfTrailer;
  return path;
}

// The process's peak resident memory in MB since the last reset.
double peakResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}
double residentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}
void resetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

void openLogInViewer(benchmark::State& state) {
  const fs::path log = logOfSize(static_cast<int>(state.range(0)));
  SilentFeedback feedback;
  double firstScreenMs = 0;
  double longestGapMs = 0;
  double peakMb = 0;
  double baseMb = 0;
  for (auto _ : state) {
    TReadform viewer(feedback);
    QCoreApplication::processEvents();
    baseMb = residentMegabytes();
    resetPeakResident();

    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticks;
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });

    sinceTick.start();
    ticks.start();
    viewer.showFile(QString::fromStdString(log.string()));
    qint64 firstScreen = -1;
    while (viewer.loading()) {
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      if (firstScreen < 0 && !viewer.Readedit->document()->isEmpty()) firstScreen = clock.elapsed();
    }
    state.SetIterationTime(static_cast<double>(clock.elapsed()) / 1000.0);
    ticks.stop();
    firstScreenMs = static_cast<double>(firstScreen);
    longestGapMs = static_cast<double>(longestGap);
    peakMb = peakResidentMegabytes();
  }
  state.counters["first_screen_ms"] = firstScreenMs;
  state.counters["longest_gap_ms"] = longestGapMs;
  state.counters["peak_rss_mb"] = peakMb;
  state.counters["peak_over_start_mb"] = peakMb - baseMb;
  state.counters["file_mb"] = static_cast<double>(fs::file_size(log)) / 1e6;
  fs::remove(log);
}

BENCHMARK(openLogInViewer)->Arg(10)->Arg(100)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solwire

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
