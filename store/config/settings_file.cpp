#include "store/config/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

#include "store/durable_directory.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows before ELOOP

SettingsFileKind kindOf(const fs::path& path, const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return SettingsFileKind::NotAFile;
  // No write bit at all is the owner's "keep this file as it is", which holds
  // for the superuser too, who may write anything.
  const bool writable = (info.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
  return writable ? SettingsFileKind::Regular : SettingsFileKind::ReadOnly;
}

// A new file beside the target, removed again unless it was renamed over it.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }

  // Creates the file; the system's error number on failure, else 0.
  int createBeside(const fs::path& target) {
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid()) + ".";
    for (int attempt = 0;; ++attempt) {
      fs::path candidate = directory / (stem + std::to_string(attempt) + ".tmp");
      fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) {
        path_ = std::move(candidate);
        return 0;
      }
      if (errno != EEXIST || attempt >= 99) return errno;
    }
  }

  int writeAll(std::string_view contents) {
    while (!contents.empty()) {
      const ssize_t n = ::write(fd_, contents.data(), contents.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      contents.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
  }

  int flushAndClose() {
    if (::fsync(fd_) != 0) return errno;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
  }

  int renameOver(const fs::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) return errno;
    path_.clear();
    return 0;
  }

  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  fs::path path_;
};

// A first save makes the folder of the file, as the per-user store needs.
int createMissingFolderOf(const fs::path& file) {
  if (!file.has_parent_path()) return 0;
  std::error_code error;
  if (fs::symlink_status(file.parent_path(), error).type() != fs::file_type::not_found) return 0;
  fs::create_directories(file.parent_path(), error);
  return error.value();
}


}  // namespace

std::string systemReason(int error) { return std::strerror(error); }

SettingsFileState examineSettingsFile(const fs::path& path) {
  fs::path current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      const int error = errno;
      if (error == ENOENT || error == ENOTDIR) return {SettingsFileKind::Missing, current, 0};
      return {SettingsFileKind::Unreachable, current, error};
    }
    if (!S_ISLNK(info.st_mode)) return {kindOf(current, info), current, 0};
    std::error_code error;
    const fs::path next = fs::read_symlink(current, error);
    if (error) return {SettingsFileKind::Unreachable, current, error.value()};
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return {SettingsFileKind::Unreachable, current, ELOOP};
}

StoreResult replaceSettingsFile(const fs::path& path, std::string_view contents) {
  const SettingsFileState file = examineSettingsFile(path);
  const auto failed = [&path](int error) {
    return StoreResult::failure(StoreProblem::CannotWrite, path.string(), systemReason(error));
  };
  switch (file.kind) {
    case SettingsFileKind::NotAFile: return StoreResult::failure(StoreProblem::NotAFile, path.string());
    case SettingsFileKind::ReadOnly: return StoreResult::failure(StoreProblem::ReadOnly, path.string());
    case SettingsFileKind::Unreachable: return failed(file.error);
    case SettingsFileKind::Missing:
    case SettingsFileKind::Regular: break;
  }

  if (const int error = createMissingFolderOf(file.target)) return failed(error);
  TemporaryFile temporary;
  if (const int error = temporary.createBeside(file.target)) return failed(error);
  struct stat existing {};
  if (file.kind == SettingsFileKind::Regular && ::stat(file.target.c_str(), &existing) == 0)
    ::fchmod(temporary.fd(), existing.st_mode & 07777);
  if (const int error = temporary.writeAll(contents)) return failed(error);
  if (const int error = temporary.flushAndClose()) return failed(error);
  if (const int error = temporary.renameOver(file.target)) return failed(error);
  flushDirectoryOf(file.target);
  return StoreResult::success();
}

}  // namespace solwire
