#include "store/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "store/rich_text_file.h"
#include "store/write_target.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kLockPoll{5};
constexpr int kMaxReopens = 100;

[[noreturn]] void fail(const fs::path& path, std::string_view what, int error) {
  throw RichTextFileError(path, std::string(what) + ": " + std::strerror(error));
}

// O_NONBLOCK: a FIFO put in the file's place since it was examined must not
// hold the caller up.
int openTarget(const fs::path& path, const fs::path& target, bool create, bool& created) {
  created = false;
  constexpr int kFlags = O_RDWR | O_NONBLOCK | O_CLOEXEC;
  if (create) {
    const int fd = ::open(target.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      created = true;
      return fd;
    }
    if (errno != EEXIST) fail(path, "cannot create", errno);
  }
  const int fd = ::open(target.c_str(), kFlags);
  if (fd < 0) fail(path, "cannot open", errno);
  return fd;
}

bool waitForLock(int fd, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kLockPoll);
  }
}

// Whether `target` still names the open file: an append that renamed a new
// file into place while this one waited leaves the old one without a name.
bool stillNamedBy(int fd, const fs::path& target) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 && ::stat(target.c_str(), &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino && open.st_nlink > 0;
}

}  // namespace

LockedFile::LockedFile(const fs::path& path, const fs::path& target, bool create, std::chrono::milliseconds wait) {
  for (int attempt = 0; attempt < kMaxReopens; ++attempt) {
    fd_ = openTarget(path, target, create, created_);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
      const int error = errno;
      ::close(fd_);
      fail(path, "cannot examine", error);
    }
    if (!S_ISREG(info.st_mode)) {
      ::close(fd_);
      throw RichTextFileError(path, "not a regular file: " + describeFileType(info.st_mode));
    }
    if (!waitForLock(fd_, wait)) {
      ::close(fd_);
      throw RichTextFileError(path, "cannot add to it: another program kept it locked for more than " +
                                        std::to_string(wait.count()) + " ms while adding to it; nothing was written");
    }
    if (stillNamedBy(fd_, target)) return;
    ::close(fd_);
    fd_ = -1;
  }
  throw RichTextFileError(path, "cannot add to it: it was replaced again and again while waiting for its lock");
}

LockedFile::~LockedFile() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace solwire
