// What a file name that is about to be written names, found without opening
// anything (opening a FIFO waits for a writer, and the window writes its log
// on the one-second timer): the file at the end of its symbolic links, so
// that a link is written through and stays a link, whether that file may be
// replaced, and how many names it has.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace solwire {

enum class WriteTargetKind {
  Missing,      // nothing there yet (a link to a missing file counts): it is created
  Regular,      // a regular file this user may write
  ReadOnly,     // a regular file without write permission
  Folder,
  NotAFile,     // a FIFO, a device, a socket
  Unreachable,  // the path cannot be followed (a link loop, a folder that may not be searched)
};

struct WriteTarget {
  WriteTargetKind kind = WriteTargetKind::Missing;
  std::filesystem::path path;  // the name with every symbolic link followed
  std::uintmax_t hardLinks = 0;
  std::string what;            // for NotAFile: "a named pipe", "a character device", ...
  int error = 0;               // the system's error number when Unreachable
};

WriteTarget examineWriteTarget(const std::filesystem::path& path);

// What a file of this type is, for an operator to read ("a named pipe").
std::string describeFileType(mode_t mode);

// Throws RichTextFileError for `path` with the reason unless the target may
// be written (Missing or Regular).
void refuseUnwritableTarget(const std::filesystem::path& path, const WriteTarget& target);

// As refuseUnwritableTarget, but lets a read-only file through: reading it
// comes first, so that an unreadable file is reported as such.
void refuseUnreadableTarget(const std::filesystem::path& path, const WriteTarget& target);

}  // namespace solwire
