// The name of a line in topic names and identifiers: letters, digits, "-"
// and "_" only, so that it is one level of a topic and part of an id.
#pragma once

#include <string>

namespace solwire::fleet {

// A name made from the port: "/dev/ttyUSB0" gives "ttyUSB0",
// "tcp://10.0.0.5:4001" gives "tcp_10_0_0_5_4001", "COM2" stays "COM2".
std::string lineIdFromPort(const std::string& port);

// The default line id: the host's name (up to its first dot) and the port's
// name, so that the same adapter name on two machines gives two ids:
// "solar1" and "/dev/ttyUSB0" give "solar1_ttyUSB0".
std::string defaultLineId(const std::string& host, const std::string& port);

bool isValidLineId(const std::string& id);

}  // namespace solwire::fleet
