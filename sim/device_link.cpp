#include "sim/device_link.h"

#include <stdexcept>
#include <system_error>

namespace solwire::sim {

namespace fs = std::filesystem;

void placeDeviceLink(const fs::path& link, const fs::path& device) {
  std::error_code error;
  const fs::file_status existing = fs::symlink_status(link, error);
  if (fs::exists(existing)) {
    if (!fs::is_symlink(existing))
      throw std::runtime_error(link.string() + " exists and is not a symbolic link; it is left as it is");
    fs::remove(link);
  }
  fs::create_symlink(device, link);
}

void removeDeviceLink(const fs::path& link, const fs::path& device) {
  std::error_code error;
  if (!fs::is_symlink(fs::symlink_status(link, error))) return;
  if (fs::read_symlink(link, error) == device) fs::remove(link, error);
}

}  // namespace solwire::sim
