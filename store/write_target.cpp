#include "store/write_target.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "store/rich_text_file.h"

namespace solwire {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkHops = 40;  // as the kernel allows before ELOOP

WriteTarget describe(const fs::path& path, const struct stat& info) {
  WriteTarget target{WriteTargetKind::Regular, path, static_cast<std::uintmax_t>(info.st_nlink), {}, 0};
  if (S_ISDIR(info.st_mode)) {
    target.kind = WriteTargetKind::Folder;
  } else if (!S_ISREG(info.st_mode)) {
    target.kind = WriteTargetKind::NotAFile;
    target.what = describeFileType(info.st_mode);
  } else if ((info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
    // No write bit at all is the owner's "keep this file as it is", which
    // holds for the superuser too, who may write anything.
    target.kind = WriteTargetKind::ReadOnly;
  }
  return target;
}

}  // namespace

std::string describeFileType(mode_t mode) {
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISLNK(mode)) return "a symbolic link";
  return "of an unknown type";
}

WriteTarget examineWriteTarget(const fs::path& path) {
  fs::path current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0) {
      const int error = errno;
      if (error == ENOENT || error == ENOTDIR) return {WriteTargetKind::Missing, current, 0, {}, 0};
      return {WriteTargetKind::Unreachable, current, 0, {}, error};
    }
    if (!S_ISLNK(info.st_mode)) return describe(current, info);
    std::error_code error;
    const fs::path next = fs::read_symlink(current, error);
    if (error) return {WriteTargetKind::Unreachable, current, 0, {}, error.value()};
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return {WriteTargetKind::Unreachable, current, 0, {}, ELOOP};
}

void refuseUnreadableTarget(const fs::path& path, const WriteTarget& target) {
  switch (target.kind) {
    case WriteTargetKind::Folder: throw RichTextFileError(path, "is a folder, not a file");
    case WriteTargetKind::NotAFile: throw RichTextFileError(path, "not a regular file: " + target.what);
    case WriteTargetKind::Unreachable:
      throw RichTextFileError(path, std::string("cannot examine: ") + std::strerror(target.error));
    case WriteTargetKind::Missing:
    case WriteTargetKind::Regular:
    case WriteTargetKind::ReadOnly: break;
  }
}

void refuseUnwritableTarget(const fs::path& path, const WriteTarget& target) {
  refuseUnreadableTarget(path, target);
  if (target.kind == WriteTargetKind::ReadOnly) {
    throw RichTextFileError(path, "cannot write: the file is read-only (Permission denied); it is left as it was");
  }
}

}  // namespace solwire
