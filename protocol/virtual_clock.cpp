#include "protocol/virtual_clock.h"

namespace solwire {

namespace {

std::chrono::sys_seconds toSysSeconds(const LocalTime& t) {
  using namespace std::chrono;
  const sys_days day = year{t.year} / month{static_cast<unsigned>(t.month)} / std::chrono::day{static_cast<unsigned>(t.day)};
  return day + hours{t.hour} + minutes{t.minute} + seconds{t.second};
}

LocalTime fromSysSeconds(std::chrono::sys_seconds s) {
  using namespace std::chrono;
  const sys_days day = floor<days>(s);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> time{s - day};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count())};
}

}  // namespace

VirtualClock::VirtualClock(LocalTime start) : start_(toSysSeconds(start)) {}

LocalTime VirtualClock::localNow() const {
  return fromSysSeconds(start_ + std::chrono::floor<std::chrono::seconds>(elapsed_));
}

void VirtualClock::callAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  if (delay.count() < 0) delay = std::chrono::milliseconds{0};
  tasks_.emplace(Key{elapsed_ + delay, sequence_++}, std::move(task));
}

std::chrono::milliseconds VirtualClock::nextDue() const {
  return tasks_.empty() ? elapsed_ : tasks_.begin()->first.first;
}

bool VirtualClock::runNext() {
  if (tasks_.empty()) return false;
  auto first = tasks_.begin();
  if (first->first.first > elapsed_) elapsed_ = first->first.first;
  auto task = std::move(first->second);
  tasks_.erase(first);
  task();
  return true;
}

void VirtualClock::advance(std::chrono::milliseconds step) {
  const auto target = elapsed_ + step;
  while (!tasks_.empty() && tasks_.begin()->first.first <= target) runNext();
  elapsed_ = target;
}

}  // namespace solwire
