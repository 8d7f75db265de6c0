// The link controller's periodic log writer in the desktop client: it exists
// before the main window that owns the controller, and hands each entry to
// that window once attached, which writes it where its log panel says.
#pragma once

#include "app/main_form.h"
#include "protocol/link_environment.h"

namespace solwire {

class MainFormLogWriter : public LogWriter {
 public:
  void attach(Tmainform* form) { form_ = form; }
  void writeLogEntry(const LogReading& reading) override {
    if (form_) form_->writePeriodicLogEntry(reading);
  }

 private:
  Tmainform* form_ = nullptr;
};

}  // namespace solwire
