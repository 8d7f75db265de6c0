// Why a TLS connection to the broker failed, from libmosquitto's error lines.
#include <gtest/gtest.h>

#include "fleet/tls_failure.h"

namespace solwire::fleet {
namespace {

TEST(TlsFailureReason, TakesOpenSslsReasonWithoutItsCodesAndSaysWhatAnUnverifiedCertificateMeans) {
  const std::string reason =
      tlsFailureReason({"OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed"});
  EXPECT_TRUE(reason.starts_with("certificate verify failed (")) << reason;
  EXPECT_NE(reason.find("certificate authority"), std::string::npos) << reason;
  EXPECT_EQ(reason.find("0A000086"), std::string::npos) << reason;
}

TEST(TlsFailureReason, JoinsDifferentReasonsOnceEachAndDropsLibmosquittosErrorWord) {
  EXPECT_EQ(tlsFailureReason({"Error: Client certificate/key are inconsistent.",
                              "OpenSSL Error[0]: error:05800074:x509 certificate routines::key values mismatch",
                              "OpenSSL Error[0]: error:05800074:x509 certificate routines::key values mismatch"}),
            "Client certificate/key are inconsistent; key values mismatch");
  EXPECT_EQ(tlsFailureReason({"OpenSSL Error[0]: error:0A00010B:SSL routines::wrong version number"}),
            "wrong version number");
}

TEST(TlsFailureReason, SaysTheHandshakeFailedWhenNothingWasLogged) {
  EXPECT_EQ(tlsFailureReason({}), "the TLS handshake failed");
  EXPECT_EQ(tlsFailureReason({"Error: "}), "the TLS handshake failed");
}

}  // namespace
}  // namespace solwire::fleet
