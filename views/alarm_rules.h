// What the alarm panel shows and how it reacts, as plain functions: the
// picture of each alarm button and strip cell, which alarms flash, the blink
// phase with its beep, acknowledging and enabling an alarm, and the alarm
// rate control's range.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "protocol/site_data.h"

namespace solwire {

inline constexpr int kAlarmPictureListSize = 26;  // pictures 0..25
inline constexpr int kNoPicture = -1;
inline constexpr int kMaxAlarmRateIndex = 10;

// Pictures of a status strip cell.
enum StripPicture : int {
  StripInactive = 0,
  StripActive = 1,
  StripActiveLit = 2,  // active and new, in the lit blink phase
  StripDisabled = 3,
};

// The panel's own choices per alarm input (the input states and flash flags
// live in the site data model).
struct AlarmChoices {
  std::array<int, kAlarmInputs> picture{};  // index into the picture list
  std::array<bool, kAlarmInputs> enabled{};
};

// The picture on an alarm's button: its own picture when enabled, none when
// disabled or when the index is outside the picture list.
int buttonPicture(int picture, bool enabled);

// The picture of an alarm's strip cell.
int stripPicture(std::int32_t inputState, std::uint8_t flash, bool enabled, bool blinkLit);

// A new alarm: active, not acknowledged, and enabled.
bool alarmFlashing(std::int32_t inputState, std::uint8_t flash, bool enabled);
bool anyAlarmFlashing(const AlarmRecord& alarms, const std::array<bool, kAlarmInputs>& enabled);

// A left click on an alarm's button: acknowledges a new alarm, and re-arms an
// acknowledged one. An index outside 0..12 changes nothing.
void toggleFlash(AlarmRecord& alarms, int alarm);
void toggleEnabled(AlarmChoices& choices, int alarm);

// The alarm rate control moved by `steps`, kept within 0..10.
int stepAlarmRate(int rateIndex, int steps);

// The blink phase and when the last beep sounded.
using BlinkTime = std::chrono::steady_clock::time_point;
inline constexpr std::chrono::milliseconds kBlinkInterval{500};
inline constexpr std::chrono::milliseconds kMinBeepSpacing{1000};

struct BlinkState {
  bool lit = false;
  std::optional<BlinkTime> lastBeep;
};

struct BlinkStep {
  bool beep = false;
  bool repaint = false;
};

// One tick of the blink timer at `now`: the phase turns over; while an alarm
// flashes the strip is repainted, and with the beep option on a beep sounds
// as the phase goes dark, never sooner than a second after the last one, so
// that ticks that come late and then bunch up cannot beep faster.
BlinkStep blinkTick(BlinkState& state, bool flashing, bool beepOption, BlinkTime now);

}  // namespace solwire
