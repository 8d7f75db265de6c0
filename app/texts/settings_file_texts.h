// What the main window tells the operator about the settings file, in
// English, French and Chinese (UTF-8). In each text %1 stands for the file
// and %2, where present, for the system's reason ("Permission denied").
#pragma once

#include "app/texts/main_window_texts.h"
#include "store/config/settings_backend.h"

namespace solwire {

inline constexpr TextRow kSettingsNotSaved{
    "The settings were not saved to %1: %2. The file is left as it was.",
    "Les réglages n'ont pas été enregistrés dans %1 : %2. Le fichier reste tel qu'il était.",
    "设置未能保存到 %1：%2。该文件保持原样。"};
inline constexpr TextRow kSettingsNotSavedNoReason{
    "The settings were not saved to %1. The file is left as it was.",
    "Les réglages n'ont pas été enregistrés dans %1. Le fichier reste tel qu'il était.",
    "设置未能保存到 %1。该文件保持原样。"};
inline constexpr TextRow kSettingsFileReadOnly{
    "The settings were not saved: %1 is read-only. The file is left as it is.",
    "Les réglages n'ont pas été enregistrés : %1 est en lecture seule. Le fichier reste tel quel.",
    "设置未保存：%1 是只读文件，保持原样。"};
inline constexpr TextRow kSettingsFileNotAFile{
    "%1 is not a regular file, so the settings are neither read from it nor saved to it. Solwire starts with its "
    "default settings.",
    "%1 n'est pas un fichier ordinaire : les réglages n'y sont ni lus ni enregistrés. Solwire démarre avec ses "
    "réglages par défaut.",
    "%1 不是普通文件，设置既不从中读取，也不保存到其中。Solwire 以默认设置启动。"};
inline constexpr TextRow kSettingsNotRead{
    "The settings could not be read from %1: %2. Solwire starts with its default settings.",
    "Les réglages n'ont pas pu être lus dans %1 : %2. Solwire démarre avec ses réglages par défaut.",
    "无法从 %1 读取设置：%2。Solwire 以默认设置启动。"};
inline constexpr TextRow kSettingsNotReadNoReason{
    "The settings could not be read from %1. Solwire starts with its default settings.",
    "Les réglages n'ont pas pu être lus dans %1. Solwire démarre avec ses réglages par défaut.",
    "无法从 %1 读取设置。Solwire 以默认设置启动。"};
inline constexpr TextRow kSettingsPartlyRead{
    "Part of the settings file %1 could not be read. Those settings take their defaults and are left out when the "
    "settings are saved.",
    "Une partie du fichier de réglages %1 n'a pas pu être lue. Ces réglages prennent leur valeur par défaut et ne "
    "sont pas réenregistrés.",
    "设置文件 %1 中有部分内容无法读取。这些设置采用默认值，保存设置时不再写入。"};

// The text for a problem of the settings file, with or without the system's
// reason; an empty row when there is no problem.
constexpr TextRow settingsFileText(StoreProblem problem, bool withReason) {
  switch (problem) {
    case StoreProblem::None: return {};
    case StoreProblem::CannotRead: return withReason ? kSettingsNotRead : kSettingsNotReadNoReason;
    case StoreProblem::PartlyRead: return kSettingsPartlyRead;
    case StoreProblem::NotAFile: return kSettingsFileNotAFile;
    case StoreProblem::ReadOnly: return kSettingsFileReadOnly;
    case StoreProblem::CannotWrite: return withReason ? kSettingsNotSaved : kSettingsNotSavedNoReason;
  }
  return {};
}

}  // namespace solwire
