#include <gtest/gtest.h>

#include "serial/network_address.h"

namespace solwire {
namespace {

TEST(NetworkAddress, ReadsSchemeHostAndPort) {
  const auto raw = parseNetworkAddress("tcp://192.168.1.20:4001");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->scheme, NetworkAddress::Scheme::RawTcp);
  EXPECT_EQ(raw->host, "192.168.1.20");
  EXPECT_EQ(raw->port, 4001);
  const auto named = parseNetworkAddress("rfc2217://devserver.local:2217/");
  ASSERT_TRUE(named);
  EXPECT_EQ(named->scheme, NetworkAddress::Scheme::Rfc2217);
  EXPECT_EQ(named->host, "devserver.local");
  const auto v6 = parseNetworkAddress("rfc2217://[::1]:7000");
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, "::1");
  EXPECT_EQ(v6->port, 7000);
}

TEST(NetworkAddress, RejectsWhatIsNotAHostAndPort) {
  for (const char* path : {"rfc2217://host", "tcp://:4001", "tcp://host:0", "tcp://host:65536", "tcp://host:40x1",
                           "tcp://::1:4001", "rfc2217://[::1]4001", "/dev/ttyUSB0", "udp://host:1"})
    EXPECT_FALSE(parseNetworkAddress(path)) << path;
  EXPECT_TRUE(isNetworkPath("rfc2217://host"));  // a network path, if a broken one
  EXPECT_FALSE(isNetworkPath("/dev/ttyS0"));
  EXPECT_FALSE(isNetworkPath("sim"));
}

}  // namespace
}  // namespace solwire
