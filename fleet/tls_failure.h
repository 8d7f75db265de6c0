// Why a TLS connection to the broker failed, in words, from the error lines
// libmosquitto logs while it sets up TLS and shakes hands (OpenSSL's queue,
// "OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed",
// and its own, "Error: Client certificate/key are inconsistent.").
#pragma once

#include <string>
#include <vector>

namespace solwire::fleet {

// The reasons, without OpenSSL's codes, each once, joined with "; "; a
// certificate that could not be verified says what may be wrong with it.
// Without lines, a general reason.
std::string tlsFailureReason(const std::vector<std::string>& errorLines);

}  // namespace solwire::fleet
