// What the current-state window shows, as text, from the site data model.
#pragma once

#include <string>

#include "protocol/site_data.h"

namespace solwire {

// One text per value label of the window.
struct CurrentStateTexts {
  std::string typelab;      // voltage class, "48V"
  std::string statenumlab;  // ": " and the whole state code, or ": *" from 255 up
  std::string chargelab;    // "12.3 A"
  std::string loadlab;
  std::string camphrlab;  // "123 Ah", "9999 Ah" from 10000 up
  std::string lamphrlab;
  std::string batvlab;    // "52.1 V"
  std::string maxminlab;  // daily minimum "<>" daily maximum, "48.0<>56.4"
};

CurrentStateTexts currentStateTexts(const Scaling& scaling, const CurrentStateRecord& current);

}  // namespace solwire
