#include "views/alarm_rules.h"

#include <algorithm>

namespace solwire {

namespace {

bool validAlarm(int alarm) { return alarm >= 0 && alarm < kAlarmInputs; }

std::size_t at(int alarm) { return static_cast<std::size_t>(alarm); }

}  // namespace

int buttonPicture(int picture, bool enabled) {
  if (!enabled || picture < 0 || picture >= kAlarmPictureListSize) return kNoPicture;
  return picture;
}

int stripPicture(std::int32_t inputState, std::uint8_t flash, bool enabled, bool blinkLit) {
  if (!enabled) return StripDisabled;
  if (inputState <= 0) return StripInactive;
  return blinkLit && flash == 1 ? StripActiveLit : StripActive;
}

bool alarmFlashing(std::int32_t inputState, std::uint8_t flash, bool enabled) {
  return enabled && flash == 1 && inputState > 0;
}

bool anyAlarmFlashing(const AlarmRecord& alarms, const std::array<bool, kAlarmInputs>& enabled) {
  for (int i = 0; i < kAlarmInputs; ++i)
    if (alarmFlashing(alarms.state[at(i)], alarms.flash[at(i)], enabled[at(i)])) return true;
  return false;
}

void toggleFlash(AlarmRecord& alarms, int alarm) {
  if (!validAlarm(alarm)) return;
  alarms.flash[at(alarm)] = alarms.flash[at(alarm)] == 1 ? 0 : 1;
}

void toggleEnabled(AlarmChoices& choices, int alarm) {
  if (!validAlarm(alarm)) return;
  choices.enabled[at(alarm)] = !choices.enabled[at(alarm)];
}

int stepAlarmRate(int rateIndex, int steps) { return std::clamp(rateIndex + steps, 0, kMaxAlarmRateIndex); }

BlinkStep blinkTick(BlinkState& state, bool flashing, bool beepOption, BlinkTime now) {
  state.lit = !state.lit;
  BlinkStep step;
  step.repaint = flashing;
  const bool wentDark = !state.lit;
  const bool spaced = !state.lastBeep || now - *state.lastBeep >= kMinBeepSpacing;
  if (flashing && beepOption && wentDark && spaced) {
    step.beep = true;
    state.lastBeep = now;
  }
  return step;
}

}  // namespace solwire
