// Where the help documents are: beside the program in a build tree, or in
// the shared data folder of an installed program (bin/../share/solwire).
#pragma once

#include <filesystem>

namespace solwire {

// The folder of the help documents for a program in `programDirectory`: the
// program's own folder when it holds the English help, else the installed
// data folder when that holds it, else the program's folder (so that the
// message about a missing file names the folder a build tree uses).
std::filesystem::path helpDirectory(const std::filesystem::path& programDirectory);

}  // namespace solwire
