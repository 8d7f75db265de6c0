// The settings editor's write: one five-byte frame, the port's one-shot timer
// that gives the regulator its time to store the byte, and the read-back of
// the list the byte belongs to, compared with the byte written.
#include <exception>

#include "protocol/entry_rules.h"
#include "protocol/link_controller.h"

namespace solwire {

namespace {

bool isCalibrationAddress(int address) { return address >= 0 && address < 2 * kCalibrationChannels; }

void dropQuietly(LinkPort& port, std::uint16_t handle) {
  try {
    port.DropTrigger(handle);
  } catch (const std::exception&) {
    // A port that cannot drop the trigger has lost it already.
  }
}

}  // namespace

WriteResult LinkController::writeMemory(int address, int data) {
  if (shutDown_ || state_.StartupHold || state_.RequestBusy || state_.Dialling || state_.HangingUp)
    return WriteResult::LineBusy;
  LinkPort& port = activePort();
  if (!port.Open()) {
    // The port is not opened here: a write goes only where a read has been.
    services_.views.showLinkStatus(state_.DirectMode ? LinkStatus::WritePortNotOpen : LinkStatus::NoConnection);
    return state_.DirectMode ? WriteResult::PortNotOpen : WriteResult::NoConnection;
  }
  try {
    sendWriteFrame(port, address, data);
  } catch (const std::exception&) {
    // Either nothing went out, or the frame did but its timer could not be
    // armed: no read-back will follow, so the line is not held for one.
    if (state_.WritePending) write_.phase = WritePhase::Abandoned;
    releaseWriteHold();
    services_.views.showLinkStatus(LinkStatus::CommFail);
    services_.feedback.beep();
    return WriteResult::SendFailed;
  }
  services_.views.showLinkStatus(LinkStatus::SendingData);
  services_.feedback.beep();
  return WriteResult::Sent;
}

void LinkController::sendWriteFrame(LinkPort& port, int address, int data) {
  // A timer left by an earlier write that never fired must not complete this one.
  if (writeTriggerPort_) dropQuietly(*writeTriggerPort_, writeTrigger_);
  writeTriggerPort_ = nullptr;

  const int site = controls_.site;
  const std::string frame = writeFrame(site, address, data);
  // No reply is awaited for a write: a matcher still armed for a request the
  // busy watchdog gave up on must not take a late reply for it meanwhile.
  discardWaitingInput(port, activeMatcher());
  port.FlushOutput();
  port.SendString(frame);
  write_ = WriteCheck{write_.number + 1, site, static_cast<std::uint8_t>(frame[2]), static_cast<std::uint8_t>(frame[3]),
                      WritePhase::Waiting, -1};
  state_.WritePending = true;
  updateBusy();
  state_.BusyCountdown = kBusyWatchdogSeconds;

  const std::uint16_t handle = port.NewTimerTrigger();
  try {
    port.ArmTimerTrigger(handle, kWriteReadBackTicks, true);
  } catch (const std::exception&) {
    dropQuietly(port, handle);
    throw;
  }
  writeTriggerPort_ = &port;
  writeTrigger_ = handle;
}

void LinkController::portTriggerTimer(LinkPort& port, std::uint16_t handle) {
  if (&port != writeTriggerPort_ || handle != writeTrigger_) {
    if (OnOtherTimerTrigger) OnOtherTimerTrigger(port, handle);
    return;
  }
  dropQuietly(port, handle);
  writeTriggerPort_ = nullptr;
  completeWrite();
}

// The regulator has had its time to store the byte: the line is free again
// and the list the byte belongs to is read back (after whatever waited for
// the line). After a site change the list is still read, so that the editor
// shows the site now selected, but it says nothing about the byte written to
// the other one. The read-back's outcome settles the write.
void LinkController::completeWrite() {
  releaseWriteHold();
  if (write_.phase != WritePhase::Waiting) {
    pump();
    return;
  }
  write_.phase = controls_.site == write_.site ? WritePhase::ReadingBack : WritePhase::Abandoned;
  Getdata(isCalibrationAddress(write_.address) ? Requester::CalibrationButton : Requester::SettingsView);
  showWrittenList();
}

void LinkController::releaseWriteHold() {
  if (!state_.WritePending) return;
  state_.WritePending = false;
  updateBusy();
  state_.BusyCountdown = 0;
}

// The list's display callback: the editor learns that the write is over.
void LinkController::showWrittenList() {
  if (isCalibrationAddress(write_.address))
    services_.views.caldisplay();
  else
    services_.views.setdisplay();
}

// Called with a settings or calibration list just stored.
void LinkController::checkReadBack(RequestKind kind) {
  if (write_.phase != WritePhase::ReadingBack) return;
  if ((kind == RequestKind::Calibration) != isCalibrationAddress(write_.address)) return;
  const auto held = state_.RequestSite == write_.site ? memoryByte(data_, write_.address) : std::nullopt;
  if (!held) {
    write_.phase = WritePhase::Abandoned;
    return;
  }
  write_.heldByte = *held;
  write_.phase = *held == write_.data ? WritePhase::Confirmed : WritePhase::NotConfirmed;
}

// The read-back of the list written ended without a record.
void LinkController::abandonReadBackOf(const LinkRequest& request) {
  if (write_.phase != WritePhase::ReadingBack || request.site != write_.site) return;
  const RequestKind list = isCalibrationAddress(write_.address) ? RequestKind::Calibration : RequestKind::Settings;
  if (request.kind == list) write_.phase = WritePhase::Abandoned;
}

// The busy watchdog gave the line up: a write whose timer never fired (its
// port was closed for good) or whose read-back got neither reply nor time-out
// is over without a verdict.
void LinkController::endStalledWrite() {
  state_.WritePending = false;
  updateBusy();
  if (write_.phase == WritePhase::ReadingBack) write_.phase = WritePhase::Abandoned;
  if (write_.phase != WritePhase::Waiting) return;
  write_.phase = WritePhase::Abandoned;
  if (writeTriggerPort_) dropQuietly(*writeTriggerPort_, writeTrigger_);
  writeTriggerPort_ = nullptr;
  showWrittenList();
  pump();
}

}  // namespace solwire
