// When the logger's next sample falls due, for a logger that starts its
// samples itself (the one that dials a modem for each, or one given an
// interval): every HOURS-th change of the hour as the desktop counts them, or
// one sample every so many seconds from the start of the one before.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "protocol/link_environment.h"

namespace solwire::cli {

class SampleSchedule {
 public:
  virtual ~SampleSchedule() = default;
  // Whether a sample falls due at `nowMs` (a monotonic clock) and `local` time.
  // Asked at least once a second while no sample is under way.
  virtual bool due(std::int64_t nowMs, const LocalTime& local) = 0;
  // A sample starts at `nowMs`.
  virtual void started(std::int64_t nowMs) = 0;
  // How long the caller may wait before asking again.
  virtual std::chrono::milliseconds untilNextLook(std::int64_t nowMs) const = 0;
};

// Every `rateHours`-th change of the hour, counted as the desktop's log panel
// counts them: the hour starts at 0, so the first look at any other hour is a
// change, and a change brings a sample when the countdown reaches 0.
class HourChangeSchedule : public SampleSchedule {
 public:
  explicit HourChangeSchedule(int rateHours) : rateHours_(rateHours), hoursLeft_(rateHours) {}
  bool due(std::int64_t nowMs, const LocalTime& local) override;
  void started(std::int64_t) override {}
  std::chrono::milliseconds untilNextLook(std::int64_t) const override { return std::chrono::seconds(1); }

 private:
  int rateHours_;
  int hoursLeft_;
  int lastHour_ = 0;
};

// The first sample at once, then one `every` after the start of the one
// before; one that took longer than that is followed at once.
class IntervalSchedule : public SampleSchedule {
 public:
  explicit IntervalSchedule(std::chrono::milliseconds every) : every_(every) {}
  bool due(std::int64_t nowMs, const LocalTime& local) override;
  void started(std::int64_t nowMs) override { lastStart_ = nowMs; }
  std::chrono::milliseconds untilNextLook(std::int64_t nowMs) const override;

 private:
  std::chrono::milliseconds every_;
  std::optional<std::int64_t> lastStart_;
};

}  // namespace solwire::cli
