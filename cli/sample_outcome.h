// What became of one sample of the logger: whether a reading came and which
// of its files (the rich-text log, the CSV file) took it. A reading that came
// is never called failed: the output line names the files it is in and those
// it is not in, and the exit status of a single sample tells the cases apart.
#pragma once

#include <string>
#include <vector>

namespace solwire::cli {

// A single sample's exit status when the reading is in some of the files but
// not in all of them. (0: in every file; kExitFailed: no file has it, because
// none came or no file took it.)
inline constexpr int kExitNotInEveryFile = 3;

struct SampleOutcome {
  bool read = false;                // a reading came
  std::vector<std::string> tookIt;  // the files the reading is in
  std::vector<std::string> missed;  // the files that could not take it

  bool inEveryFile() const { return read && missed.empty(); }
  bool inSomeFilesOnly() const { return read && !tookIt.empty() && !missed.empty(); }
  // No file has the reading: none came, or no file took it.
  bool lost() const { return !read || tookIt.empty(); }
};

// The part of the sample's line after the site: "ok LOG.RTF and log.csv",
// "read, in log.csv only, not in LOG.RTF", "read, not in LOG.RTF or log.csv",
// "failed (no reading)".
std::string sampleOutcomeText(const SampleOutcome& outcome);

int exitStatusOf(const SampleOutcome& outcome);

}  // namespace solwire::cli
