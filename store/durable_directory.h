// A file created or renamed into place survives a crash only once its
// folder's entry is on disk too.
#pragma once

#include <filesystem>

namespace solwire {

// Flushes the folder that holds `file` (the working folder for a bare name).
// A folder that cannot be flushed leaves the file whole either way, so a
// failure is not reported.
void flushDirectoryOf(const std::filesystem::path& file);

}  // namespace solwire
