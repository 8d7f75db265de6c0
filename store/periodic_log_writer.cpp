#include "store/periodic_log_writer.h"

#include <utility>

namespace solwire {

PeriodicLogWriter::PeriodicLogWriter(PeriodicLogEnvironment environment) : environment_(std::move(environment)) {}

void PeriodicLogWriter::writeLogEntry(const LogReading& reading) {
  const std::filesystem::path file = environment_.fileName();
  const RichTextDocument entry = composeLogEntry(reading, environment_.language(), environment_.stamp());
  try {
    const AppendOutcome outcome = appendToRichTextFile(file, entry, environment_.append);
    if (environment_.written) environment_.written(file, outcome);
  } catch (const RichTextFileError& error) {
    if (environment_.failed) environment_.failed(error);
  }
}

}  // namespace solwire
