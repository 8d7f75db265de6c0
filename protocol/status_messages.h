// The link status texts of the main status bar, in English, French and Chinese.
#pragma once

#include <string_view>

namespace solwire {

enum class Language : int { English = 0, French = 1, Chinese = 2 };

// A language index from outside (the store, a command line) that is out of
// range falls back to English.
Language languageFromIndex(int index);

enum class LinkStatus : int {
  RequestSent,
  CantOpenPort,
  PortOpen,
  PortSetOK,
  PortSetException,
  ModemSetup,
  ModemCantOpenPort,
  CommFail,
  Dialing,
  CantOpenCommPort,
  DataReceived,
  ReadError,
  Closed,
  HangUp,
  Break,
  TapiClosed,
  WaitForClose,
  PortNotOpen,
  Connected,
  TapiFail,
  TapiOpen,
  Carrier,
  DataTimeout,
  // The settings editor's write.
  SendingData,
  WritePortNotOpen,  // the direct port is closed: nothing is written
  NoConnection,      // the modem port is closed: nothing is written
  // What the modem answered to a dial that did not connect.
  ModemBusy,
  ModemNoCarrier,
  ModemNoAnswer,
  ModemNoDialtone,
  ModemError,
  // A dial with no number: no call is placed.
  NoNumberToDial,
  // A log or alarm call waited for the line in use until its retry window
  // ran out: that reading is not made.
  LogCallMissed,
  AlarmCallMissed,
  // The carrier of a call left up was there before a dial by AT commands: it
  // is hung up first, the setup string is not sent into it, and a call that
  // will not hang up is not dialled into.
  LineStillConnected,
  SetupNotSent,
  LineWouldNotHangUp,
};

std::string_view statusText(LinkStatus status, Language language);

}  // namespace solwire
