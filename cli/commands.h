// The tool's commands. Each returns the process exit status: 0 done, 1 the
// work failed (a time-out, a port that would not open, output that could not
// be written), 2 a usage or input error; set and calibrate also 3, written but
// not taken by the regulator; log --once also 3, a reading in some of its
// files only.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace solwire::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitLinkFailed = 1;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the command the words name (the words after the program's name).
int runCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// `status`, unless what went to `out` could not be written: then a message on
// `err` and kExitFailed.
int checkedOutput(int status, std::ostream& out, std::ostream& err);

using CommandFunction = int (*)(const Arguments&, std::ostream&, std::ostream&);

int runFrame(const Arguments& args, std::ostream& out, std::ostream& err);
int runDecode(const Arguments& args, std::ostream& out, std::ostream& err);
int runDemo(const Arguments& args, std::ostream& out, std::ostream& err);
int runRead(const Arguments& args, std::ostream& out, std::ostream& err);
int runSet(const Arguments& args, std::ostream& out, std::ostream& err);
int runCalibrate(const Arguments& args, std::ostream& out, std::ostream& err);
int runReport(const Arguments& args, std::ostream& out, std::ostream& err);
int runLog(const Arguments& args, std::ostream& out, std::ostream& err);
int runWatch(const Arguments& args, std::ostream& out, std::ostream& err);

// The rows the two commands take, for their --help.
std::string settingsRowsHelp();
std::string calibrationRowsHelp();

}  // namespace solwire::cli
