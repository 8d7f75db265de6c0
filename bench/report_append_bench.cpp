// Appending one log entry to log files of 1 MB, 10 MB and 100 MB, lock,
// checks and flushes included. An append to a file of ours goes in place, so
// its time should not grow with the file: compare the three (file_bytes says
// how large each file was).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// A log file of at least `bytes` bytes as appends leave it: a day of entries
// in three languages made once, then their bodies repeated.
void writeLogOfSize(const fs::path& path, std::uintmax_t bytes) {
  std::remove(path.c_str());
  constexpr int kDistinctEntries = 72;
  for (int index = 0; index < kDistinctEntries; ++index) appendToRichTextFile(path, entry(index));
  std::ifstream in(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t bodyStart = file.find("\\pard\\plain");
  const std::size_t brace = file.rfind('}');
  const std::string body = file.substr(bodyStart, brace - bodyStart);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << file.substr(0, bodyStart);
  for (std::uintmax_t written = bodyStart; written < bytes; written += body.size()) out << body;
  out << file.substr(brace);
  out.close();
  // The first timed append would otherwise flush the whole new file.
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) std::abort();
  ::close(fd);
}

void appendLogEntry(benchmark::State& state) {
  const ScratchDirectory scratch;
  const fs::path log = scratch.path() / "LOG.RTF";
  writeLogOfSize(log, static_cast<std::uintmax_t>(state.range(0)) * 1'000'000);
  const RichTextDocument next = entry(7);
  for (auto _ : state) benchmark::DoNotOptimize(appendToRichTextFile(log, next));
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(log));
}

BENCHMARK(appendLogEntry)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace solwire

BENCHMARK_MAIN();
