// The alarm panel's rules without a window: strip and button pictures,
// acknowledging and enabling, the blink with its beep, and the texts.
#include <gtest/gtest.h>

#include <random>

#include "views/alarm_rules.h"
#include "protocol/status_messages.h"
#include "views/texts/alarm_texts.h"

namespace solwire {
namespace {

using namespace std::chrono_literals;

constexpr std::array<bool, kAlarmInputs> allEnabled() {
  std::array<bool, kAlarmInputs> enabled{};
  enabled.fill(true);
  return enabled;
}

TEST(AlarmStripPicture, FollowsTheTableOfStateFlashPhaseAndEnable) {
  struct Case {
    std::int32_t state;
    std::uint8_t flash;
    bool enabled;
    bool lit;
    int picture;
  };
  const Case cases[] = {
      {0, 0, true, false, StripInactive},   {0, 1, true, true, StripInactive},  // flag set by a return to 0
      {16, 0, true, true, StripActive},     {16, 1, true, false, StripActive},
      {16, 1, true, true, StripActiveLit},  {128, 1, true, true, StripActiveLit},
      {-4, 1, true, true, StripInactive},   // only a positive state is active
      {16, 1, false, true, StripDisabled},  {0, 0, false, false, StripDisabled},
      {16, 2, true, true, StripActive},     // a flag that is not 1 does not flash
  };
  for (const Case& c : cases)
    EXPECT_EQ(stripPicture(c.state, c.flash, c.enabled, c.lit), c.picture)
        << "state " << c.state << " flash " << int(c.flash) << " enabled " << c.enabled << " lit " << c.lit;
  // The button shows the alarm's own picture only while it is enabled.
  EXPECT_EQ(buttonPicture(25, true), 25);
  EXPECT_EQ(buttonPicture(14, false), kNoPicture);
  EXPECT_EQ(buttonPicture(26, true), kNoPicture);
}

// A left click toggles the flag: it acknowledges, and a second click re-arms.
// An input that returned to 0 keeps its flag and flashes at once when it is
// active again; a disabled one never flashes.
TEST(AlarmFlashing, AcknowledgeRearmAndEnable) {
  AlarmRecord alarms;
  AlarmChoices choices;
  choices.enabled = allEnabled();
  alarms.flash[5] = 1;
  EXPECT_FALSE(anyAlarmFlashing(alarms, choices.enabled));
  alarms.state[5] = 64;
  EXPECT_TRUE(anyAlarmFlashing(alarms, choices.enabled));
  toggleFlash(alarms, 5);
  EXPECT_FALSE(anyAlarmFlashing(alarms, choices.enabled));
  toggleFlash(alarms, 5);
  EXPECT_TRUE(anyAlarmFlashing(alarms, choices.enabled));
  toggleEnabled(choices, 5);
  EXPECT_FALSE(anyAlarmFlashing(alarms, choices.enabled));
  EXPECT_TRUE(choices.enabled[4]);

  const AlarmRecord before = alarms;
  const AlarmChoices same = choices;
  toggleFlash(alarms, -1);
  toggleFlash(alarms, kAlarmInputs);
  toggleEnabled(choices, kAlarmInputs);
  EXPECT_EQ(alarms.flash, before.flash);
  EXPECT_EQ(choices.enabled, same.enabled);
  EXPECT_EQ(stepAlarmRate(0, -1), 0);
  EXPECT_EQ(stepAlarmRate(10, 1), 10);
}

// Runs `ticks` blink ticks `interval` apart and gives the tick numbers that beeped.
std::vector<int> beepingTicks(BlinkState& state, int ticks, std::chrono::milliseconds interval, bool flashing,
                              bool beepOption, BlinkTime start = {}) {
  std::vector<int> beeps;
  for (int tick = 1; tick <= ticks; ++tick)
    if (blinkTick(state, flashing, beepOption, start + tick * interval).beep) beeps.push_back(tick);
  return beeps;
}

TEST(AlarmBlink, TwoNewAlarmsBeepOncePerSecondAsThePhaseGoesDark) {
  AlarmRecord alarms;
  alarms.state[0] = 2;
  alarms.state[7] = 2;
  alarms.flash[0] = alarms.flash[7] = 1;
  const bool flashing = anyAlarmFlashing(alarms, allEnabled());
  BlinkState state;
  EXPECT_EQ(beepingTicks(state, 8, kBlinkInterval, flashing, true), (std::vector<int>{2, 4, 6, 8}));
  EXPECT_FALSE(state.lit);
  BlinkState silent;
  EXPECT_TRUE(beepingTicks(silent, 6, kBlinkInterval, true, false).empty());
  BlinkState quiet;
  EXPECT_FALSE(blinkTick(quiet, false, true, BlinkTime{} + 500ms).repaint);
  EXPECT_TRUE(blinkTick(quiet, true, true, BlinkTime{} + 1000ms).repaint);
}

TEST(AlarmBlink, TicksThatBunchUpAfterADelayDoNotBeepFaster) {
  BlinkState state;
  const BlinkTime t0{};
  EXPECT_FALSE(blinkTick(state, true, true, t0 + 500ms).beep);   // lit
  EXPECT_TRUE(blinkTick(state, true, true, t0 + 1000ms).beep);   // dark: beep
  EXPECT_FALSE(blinkTick(state, true, true, t0 + 1900ms).beep);  // lit, late
  EXPECT_FALSE(blinkTick(state, true, true, t0 + 1950ms).beep);  // dark, 950 ms after the beep
  EXPECT_FALSE(blinkTick(state, true, true, t0 + 2450ms).beep);  // lit
  EXPECT_TRUE(blinkTick(state, true, true, t0 + 2950ms).beep);   // dark, well past a second
}

// Random tick spacing (bunched, late, on time) and alarms coming and going:
// never two beeps less than a second apart, and with ticks on time a steady
// alarm beeps every second.
TEST(AlarmBlink, RandomTickTimesNeverBeepTwiceWithinASecond) {
  std::mt19937 random(20240501);
  std::uniform_int_distribution<int> gapMs(0, 1300);
  std::bernoulli_distribution alarmChanges(0.05);
  for (int run = 0; run < 200; ++run) {
    BlinkState state;
    BlinkTime now{};
    std::optional<BlinkTime> lastBeep;
    bool flashing = true;
    for (int tick = 0; tick < 500; ++tick) {
      now += std::chrono::milliseconds(gapMs(random));
      if (alarmChanges(random)) flashing = !flashing;
      if (!blinkTick(state, flashing, true, now).beep) continue;
      ASSERT_TRUE(flashing);
      if (lastBeep) {
        ASSERT_GE(now - *lastBeep, 1000ms) << "run " << run << " tick " << tick;
      }
      lastBeep = now;
    }
  }
  BlinkState steady;
  EXPECT_EQ(beepingTicks(steady, 120, kBlinkInterval, true, true).size(), 60u);
}

TEST(AlarmTexts, RateTextsStartWithASpaceAndPictureHintsNameEachPicture) {
  EXPECT_EQ(alarmRateText(0, Language::English), " None");
  EXPECT_EQ(alarmRateText(0, Language::Chinese), " 没有应用");
  EXPECT_EQ(alarmRateText(5, Language::Chinese), " 30 分钟");
  EXPECT_EQ(alarmRateText(6, Language::French), " 1 Heure");
  EXPECT_EQ(alarmRateText(10, Language::English), " 24 Hour");
  EXPECT_EQ(alarmRateText(11, Language::English), " None");
  EXPECT_EQ(alarmPictureHint(0, Language::Chinese), "");
  EXPECT_EQ(alarmPictureHint(1, Language::English), "Alarm Number 1");
  EXPECT_EQ(alarmPictureHint(13, Language::French), "Alarme Nombre 13");
  EXPECT_EQ(alarmPictureHint(7, Language::Chinese), "7");
  EXPECT_EQ(alarmPictureHint(21, Language::French), "Avertisseur d'incendie");
  EXPECT_EQ(alarmPictureHint(25, Language::Chinese), " ");
  EXPECT_EQ(alarmPictureHint(26, Language::English), "");
}

}  // namespace
}  // namespace solwire
