// The symbolic link solwire-sim can place at a fixed path, pointing at its
// pseudo-terminal, so that a port setting can name the same path every run.
#pragma once

#include <filesystem>

namespace solwire::sim {

// Points `link` at `device`. A link left by an earlier run is replaced; any
// other file at that path is kept and std::runtime_error is thrown.
void placeDeviceLink(const std::filesystem::path& link, const std::filesystem::path& device);

// Removes `link` only while it is still the link to `device`.
void removeDeviceLink(const std::filesystem::path& link, const std::filesystem::path& device);

}  // namespace solwire::sim
