#include "views/current_rules.h"

#include "protocol/value_format.h"

namespace solwire {

// The report and the command-line tool write the same values with the same
// functions; the window only picks them per label.
CurrentStateTexts currentStateTexts(const Scaling& scaling, const CurrentStateRecord& current) {
  return {
      .typelab = voltageClassText(scaling),
      .statenumlab = stateNumberText(current.stateCode),
      .chargelab = chargeCurrentText(scaling, current),
      .loadlab = loadCurrentText(scaling, current),
      .camphrlab = ampHoursText(current.chargeAh),
      .lamphrlab = ampHoursText(current.loadAh),
      .batvlab = batteryVoltageText(scaling, current),
      .maxminlab = minMaxVoltageText(scaling, current),
  };
}

}  // namespace solwire
