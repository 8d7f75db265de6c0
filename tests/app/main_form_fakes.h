// What a main window needs around it in widget tests: a settings store in
// memory, a hand-set clock, and stand-ins for the ports, matchers, beeps, log
// writer and dial-up supervisor.
#pragma once

#include <memory>

#include "app/main_form.h"
#include "protocol/virtual_clock.h"
#include "store/config/settings_backend_memory.h"
#include "tests/support/link_fakes.h"

namespace solwire::test {

struct MainFormFakes {
  // A main window on these stand-ins, started as the program starts it.
  std::unique_ptr<Tmainform> openMainForm() {
    return std::make_unique<Tmainform>(MainFormServices{store, clock, feedback, logWriter, dial},
                                       LinkEndpoints{directPort, directMatcher, modemPort, modemMatcher});
  }

  MemorySettingsBackend store;
  VirtualClock clock{{2026, 12, 7, 10, 30, 0}};
  CountingFeedback feedback;
  CountingLogWriter logWriter;
  RecordingDialSupervisor dial;
  FakeLinkPort directPort;
  FakeLinkPort modemPort;
  FakeMatcher directMatcher;
  FakeMatcher modemMatcher;
};

}  // namespace solwire::test
