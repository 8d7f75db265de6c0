// Appending one log entry to log files of 100 kB, 1 MB and 10 MB: each
// iteration starts from a fresh copy of the file and times the append alone,
// temporary file, flush and rename included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "protocol/site_data.h"
#include "store/report_composer.h"
#include "store/report_file.h"
#include "store/rich_text_file.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

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

RichTextDocument entry(int index) {
  const Language language = index % 3 == 0 ? Language::Chinese : index % 3 == 1 ? Language::French : Language::English;
  return composeLogEntry(sampleReading(index % 24), language, ReportStamp{"07/12/2026", std::to_string(index) + ":00:00"});
}

// A scratch directory in the system's temporary directory, removed at the end.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (fs::temp_directory_path() / "solwire-report-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDirectory() { fs::remove_all(path_); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A log file of at least `bytes` bytes made of composed entries, written once.
void writeLogOfSize(const fs::path& path, std::uintmax_t bytes) {
  RichTextDocument document;
  int index = 0;
  for (;;) {
    for (int i = 0; i < 50; ++i) document.append(entry(index++));
    saveRichTextFile(path, document);
    if (fs::file_size(path) >= bytes) return;
  }
}

void appendLogEntry(benchmark::State& state) {
  const ScratchDirectory scratch;
  const fs::path original = scratch.path() / "ORIGINAL.LOG";
  const fs::path log = scratch.path() / "LOG.RTF";
  writeLogOfSize(original, static_cast<std::uintmax_t>(state.range(0)) * 1000);
  const RichTextDocument next = entry(7);
  for (auto _ : state) {
    state.PauseTiming();
    fs::copy_file(original, log, fs::copy_options::overwrite_existing);
    state.ResumeTiming();
    benchmark::DoNotOptimize(appendToRichTextFile(log, next));
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(original));
}

BENCHMARK(appendLogEntry)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solwire

BENCHMARK_MAIN();
