// The periodic data log: each log reading that arrives becomes one entry at
// the end of the log file named at that moment, so that a new name starts a
// new file and the old one is left as it was.
#pragma once

#include <filesystem>
#include <functional>

#include "protocol/link_environment.h"
#include "protocol/status_messages.h"
#include "store/report_composer.h"
#include "store/report_file.h"

namespace solwire {

struct PeriodicLogEnvironment {
  std::function<std::filesystem::path()> fileName;  // read at each entry
  std::function<Language()> language;
  std::function<ReportStamp()> stamp;  // the time of the entry, already formatted
  // Called after each attempt: NoRoomForNewFile means the sample is lost
  // (the desktop beeps three times).
  std::function<void(const std::filesystem::path& file, AppendOutcome outcome)> written;
  // The file could not be read or written; it is left as it was.
  std::function<void(const RichTextFileError& error)> failed;
  AppendOptions append{};
};

class PeriodicLogWriter : public LogWriter {
 public:
  explicit PeriodicLogWriter(PeriodicLogEnvironment environment);
  void writeLogEntry(const LogReading& reading) override;

 private:
  PeriodicLogEnvironment environment_;
};

}  // namespace solwire
