#include "sim/device_link.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

namespace solwire::sim {
namespace {

namespace fs = std::filesystem;

class DeviceLink : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solwire-link-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(DeviceLink, ReplacesAnOldLinkAndRemovesOnlyItsOwn) {
  const fs::path link = dir_ / "line";
  fs::create_symlink("/dev/pts/old", link);
  placeDeviceLink(link, "/dev/pts/new");
  EXPECT_EQ(fs::read_symlink(link), "/dev/pts/new");

  // Another run took the path over meanwhile: its link stays.
  fs::remove(link);
  fs::create_symlink("/dev/pts/other", link);
  removeDeviceLink(link, "/dev/pts/new");
  EXPECT_EQ(fs::read_symlink(link), "/dev/pts/other");
  removeDeviceLink(link, "/dev/pts/other");
  EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST_F(DeviceLink, NeverRemovesARegularFile) {
  const fs::path file = dir_ / "notes.txt";
  std::ofstream(file) << "keep me";
  EXPECT_THROW(placeDeviceLink(file, "/dev/pts/new"), std::runtime_error);
  removeDeviceLink(file, "/dev/pts/new");
  std::ifstream in(file);
  std::string text;
  std::getline(in, text);
  EXPECT_EQ(text, "keep me");
}

}  // namespace
}  // namespace solwire::sim
