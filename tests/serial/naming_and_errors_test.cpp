// Port names, virtual devices, packet patterns and the exception table.
#include <gtest/gtest.h>

#include <cstdlib>

#include "serial/comm_exception.h"
#include "serial/device_directory.h"
#include "serial/in_memory_serial_device.h"
#include "serial/packet_pattern.h"

namespace solwire {
namespace {

TEST(PortNames, EnvironmentOverridesTheStoreWhichOverridesTheDefault) {
  PortNames names([](int n) { return n == 2 ? std::optional<std::string>("/dev/ttyUSB0") : std::nullopt; });
  unsetenv("SOLWIRE_COM2");
  unsetenv("SOLWIRE_COM3");
  EXPECT_EQ(names.pathFor(3), "/dev/ttyS2");
  EXPECT_EQ(names.pathFor(2), "/dev/ttyUSB0");
  setenv("SOLWIRE_COM2", "/dev/pts/7", 1);
  EXPECT_EQ(names.pathFor(2), "/dev/pts/7");
  unsetenv("SOLWIRE_COM2");
  EXPECT_EQ(names.pathFor(0), "");
}

TEST(DeviceDirectory, VirtualNamesOpenRegisteredDevicesAndOtherPathsAreTtys) {
  auto line = InMemoryLine::create();
  VirtualDeviceRegistry registry;
  registry.add(kSimulatedLineName, [line] { return line->makeDevice(); });
  DeviceDirectory directory(PortNames(), &registry);
  auto sim = directory.deviceFor("sim");
  ASSERT_EQ(sim->open(), 0);
  EXPECT_TRUE(line->portOpen());
  auto missing = directory.deviceFor("sim-modem");  // not registered: a path like any other
  EXPECT_EQ(missing->open(), comm_error::kBadId);
}

TEST(PacketPattern, WildcardsBackslashesAndAsciiOnlyCaseFolding) {
  const PacketPattern p("a?\\?\\\\", true);
  ASSERT_EQ(p.size(), 4u);  // a, any, '?', '\'
  const std::uint8_t hit[] = {'A', 'z', '?', '\\'};
  const std::uint8_t miss[] = {'A', 'z', 'x', '\\'};
  EXPECT_TRUE(p.matchesAt(hit));
  EXPECT_FALSE(p.matchesAt(miss));
  const PacketPattern accented("\xE9", true);  // no folding outside a..z
  EXPECT_FALSE(accented.matches(0, 0xC9));
  const PacketPattern exact("ok", false);
  EXPECT_FALSE(exact.matches(0, 'O'));
}

TEST(CommException, CodesMapToClassesAndMessages) {
  auto raised = [](int code) -> std::pair<int, std::string> {
    try {
      raiseCommError(code);
    } catch (const ECommException& e) {
      return {e.code(), e.what()};
    }
    return {0, ""};
  };
  EXPECT_THROW(raiseCommError(-2001), EBadId);
  EXPECT_THROW(raiseCommError(-2008), EOpenComm);
  EXPECT_THROW(raiseCommError(-5003), ETrigger);
  EXPECT_THROW(raiseCommError(-5502), EInvalidProperty);
  EXPECT_EQ(raised(-2011).second, "The ComNumber property of the TComPort has not been set");
  EXPECT_EQ(raised(-3006).second, "Output buffer too small for block");
  EXPECT_EQ(raised(-5501).second, "Start string is empty");
  EXPECT_EQ(raised(-13).second, "Permission denied");  // a system error number
  EXPECT_EQ(raised(-4242).first, -4242);
  EXPECT_EQ(raised(-4242).second, "Serial communications error -4242");
}

}  // namespace
}  // namespace solwire
