#include "store/durable_directory.h"

#include <fcntl.h>
#include <unistd.h>

namespace solwire {

void flushDirectoryOf(const std::filesystem::path& file) {
  const std::filesystem::path directory = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace solwire
