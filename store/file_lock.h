// Appends to one file from several processes (two loggers, the desktop and a
// logger meeting at the same hour change) take turns by an exclusive advisory
// lock on the file, so that each append sees the one before.
#pragma once

#include <chrono>
#include <filesystem>

namespace solwire {

// How long an append waits for another one to finish before it gives up.
inline constexpr std::chrono::milliseconds kDefaultLockWait{10'000};

// A regular file opened for reading and writing and locked exclusively; the
// lock goes with the descriptor when it is closed.
class LockedFile {
 public:
  // Opens and locks the file `target` (symbolic links already followed),
  // creating it empty when it is missing and `create` is set. Waits up to
  // `wait` for another holder of the lock. When the file was replaced while
  // waiting (an append that renamed a new file into place), the new file is
  // opened and locked instead. Throws RichTextFileError naming `path`.
  LockedFile(const std::filesystem::path& path, const std::filesystem::path& target, bool create,
             std::chrono::milliseconds wait);
  ~LockedFile();
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  int fd() const { return fd_; }
  // Whether this call created the file (it is empty).
  bool created() const { return created_; }

 private:
  int fd_ = -1;
  bool created_ = false;
};

}  // namespace solwire
