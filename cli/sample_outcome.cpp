#include "cli/sample_outcome.h"

#include "cli/commands.h"

namespace solwire::cli {

namespace {

std::string joined(const std::vector<std::string>& names, const std::string& between) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : between) + name;
  return text;
}

}  // namespace

std::string sampleOutcomeText(const SampleOutcome& outcome) {
  if (!outcome.read) return "failed (no reading)";
  if (outcome.missed.empty()) return "ok " + joined(outcome.tookIt, " and ");
  const std::string notIn = "not in " + joined(outcome.missed, " or ");
  if (outcome.tookIt.empty()) return "read, " + notIn;
  return "read, in " + joined(outcome.tookIt, " and ") + " only, " + notIn;
}

int exitStatusOf(const SampleOutcome& outcome) {
  if (outcome.inEveryFile()) return kExitOk;
  return outcome.lost() ? kExitFailed : kExitNotInEveryFile;
}

}  // namespace solwire::cli
