#include "app/help_location.h"

#include <system_error>

#include "app/help_form.h"

namespace solwire {

namespace {

bool holdsEnglishHelp(const std::filesystem::path& directory) {
  std::error_code error;
  return std::filesystem::is_regular_file(directory / Thelpform::helpFileName(Language::English), error);
}

}  // namespace

std::filesystem::path helpDirectory(const std::filesystem::path& programDirectory) {
  if (holdsEnglishHelp(programDirectory)) return programDirectory;
  const std::filesystem::path installed = programDirectory.parent_path() / "share" / "solwire";
  if (holdsEnglishHelp(installed)) return installed;
  return programDirectory;
}

}  // namespace solwire
