// How trigger hits become TComPort events: the dispatch thread hands each hit
// to the main thread and waits (at most kEventWait) while the handlers run.
#include <algorithm>
#include <cerrno>

#include "serial/com_port.h"
#include "serial/comm_exception.h"
#include "serial/modem_status.h"
#include "serial/serial_device.h"

namespace solwire {

void TComPort::onNotification(TBaseDispatcher& dispatcher, const Notification& n) {
  if (gate_.runAndWait([this, n] { raiseEvents(n); }, kEventWait)) return;
  // Dropped by a close from outside the handlers: the hit goes back to its
  // trigger, which the close saves armed, so it fires after the reopen.
  if (gate_.closed()) dispatcher.giveBackHit(n);
}

void TComPort::report(std::exception_ptr error) {
  if (!errorSink_) return;
  try {
    errorSink_(error);
  } catch (...) {
  }
}

void TComPort::raiseEvents(const Notification& n) {
  if (state_ != State::Open) return;
  switch (n.code) {
    case notify::kDataAvailable: {
      raise(OnTrigger, *this, n.code, n.param, n.param);
      if (state_ != State::Open) break;
      // A flush between the notification and now took bytes it counted: the
      // handler is told what is still there, and nothing when nothing is.
      const auto waiting = static_cast<std::uint16_t>(std::min<std::size_t>(n.param, dispatcher_->unreadCount()));
      if (waiting > 0) raise(OnTriggerAvail, *this, waiting);
      break;
    }
    case notify::kTimer:
      // A hit the trigger has been re-armed, disarmed or dropped since is stale.
      if (!dispatcher_->isCurrentTimerHit(n.param, n.arming)) return;
      raise(OnTrigger, *this, n.code, n.param, std::uint16_t{0});
      if (state_ == State::Open) raise(OnTriggerTimer, static_cast<LinkPort&>(*this), n.param);
      break;
    case notify::kStatus:
      raise(OnTrigger, *this, n.code, n.param, n.data);
      if (state_ == State::Open) raise(OnTriggerStatus, *this, n.param);
      if (state_ == State::Open) raiseStatusEvents(n);
      break;
    case notify::kDeviceLost:
      if (OnDeviceLost) {
        raise(OnDeviceLost, *this);
      } else {
        report(std::make_exception_ptr(
            ESerialIO(-EIO, "The serial device " + resolvedPath() + " has gone (" + commErrorMessage(-EIO) + ")")));
      }
      break;
    default: break;
  }
}

void TComPort::raiseStatusEvents(const Notification& n) {
  switch (n.statusType) {
    case stModem: raise(OnTriggerModemStatus, *this); break;
    case stLineError: raise(OnTriggerLineError, *this, n.lineErrors, (n.lineErrors & line_error::kBreak) != 0); break;
    case stOutputFree: raise(OnTriggerOutbuffFree, *this); break;
    case stOutputUsed: raise(OnTriggerOutbuffUsed, *this); break;
    case stOutputSent: raise(OnTriggerOutSent, *this); break;
    default: break;
  }
}

}  // namespace solwire
