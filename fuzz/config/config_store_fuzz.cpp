// Feeds arbitrary stored values through the configuration loader. The input
// is a list of lines "section<TAB>name<TAB>value"; a line with a single tab
// uses the section of the previous line. After loading, every value that
// indexes a list must be in range, and saving and loading again must give the
// same configuration.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "store/config/config_store.h"
#include "store/config/settings_backend_memory.h"

namespace {

bool inRange(int value, int low, int high) { return value >= low && value <= high; }

bool isMultiplier(int value) { return value == 1 || value == 2 || value == 4; }

bool usable(const solwire::Configuration& c) {
  bool ok = inRange(c.siteNumber, 0, 31) && inRange(c.logSite, 0, 31) && inRange(c.periodicLogRate, 1, 48) &&
            inRange(c.baudRateIndex, 0, 4) && inRange(c.directPortIndex, 0, 7) && inRange(c.modemPortIndex, 0, 7) &&
            inRange(c.languageNumber, 0, 2) && inRange(c.alarmUpdateRate, 0, 10) &&
            isMultiplier(c.voltageMultiplier) && isMultiplier(c.currentMultiplier);
  for (const auto& font : c.fonts) ok = ok && !font.name.empty() && inRange(font.size, 6, 72);
  for (const auto& alarm : c.alarms) ok = ok && inRange(alarm.image, 0, 25);
  for (const auto& path : c.portPaths) ok = ok && !path.empty();
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  solwire::MemorySettingsBackend backend;
  std::string_view section;
  while (!input.empty()) {
    const auto end = input.find('\n');
    std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view{} : input.substr(end + 1);

    const auto first = line.find('\t');
    if (first == std::string_view::npos) continue;
    const auto second = line.find('\t', first + 1);
    if (second == std::string_view::npos) {
      backend.set(section, line.substr(0, first), line.substr(first + 1));
    } else {
      section = line.substr(0, first);
      backend.set(section, line.substr(first + 1, second - first - 1), line.substr(second + 1));
    }
  }

  const solwire::Configuration loaded = solwire::loadConfiguration(backend);
  if (!usable(loaded)) __builtin_trap();

  solwire::MemorySettingsBackend saved;
  if (!solwire::saveConfiguration(saved, loaded).ok) __builtin_trap();
  if (!(solwire::loadConfiguration(saved) == loaded)) __builtin_trap();
  return 0;
}
