// The settings file on disk: what its path names, found without opening
// anything (opening a FIFO would wait for a writer and hold up the start), and
// replacing its contents at once. A symbolic link is followed to the file it
// names, which is replaced there, so the link stays a link.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "store/config/settings_backend.h"

namespace solwire {

enum class SettingsFileKind {
  Missing,      // nothing there yet (a link to a missing file counts): it is created
  Regular,      // a regular file that can be replaced
  ReadOnly,     // a regular file without write permission for this user
  NotAFile,     // a FIFO, a device, a socket, a folder
  Unreachable,  // the path cannot be followed (a link loop, a folder that may not be searched)
};

struct SettingsFileState {
  SettingsFileKind kind = SettingsFileKind::Missing;
  std::filesystem::path target;  // the path with every symbolic link followed
  int error = 0;                 // the system's error number when Unreachable
};

SettingsFileState examineSettingsFile(const std::filesystem::path& path);

// The system's words for an error number ("Permission denied").
std::string systemReason(int error);

// Writes `contents` to a new file beside the real file `path` names, flushes
// it to disk and renames it over that file, keeping its permissions. A
// read-only file or one that is not a regular file is left alone and
// reported; any other failure leaves the file as it was and says why.
StoreResult replaceSettingsFile(const std::filesystem::path& path, std::string_view contents);

}  // namespace solwire
