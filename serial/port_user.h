// Something attached to a port that must follow its opening and closing: the
// packet manager, the telephony line device. Users are told in reverse order
// of registration, on the main thread.
#pragma once

namespace solwire {

class TComPort;

class PortUser {
 public:
  virtual ~PortUser() = default;
  virtual void portOpened(TComPort& port) = 0;
  virtual void portClosing(TComPort& port) = 0;
  virtual void portClosed(TComPort& port) = 0;
};

}  // namespace solwire
