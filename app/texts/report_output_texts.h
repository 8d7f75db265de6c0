// What the main window tells the operator when a data report, a printout or a
// log entry could not be made, in English, French and Chinese (UTF-8). %1
// stands for the file or the printer, %2 for the system's reason.
#pragma once

#include "app/texts/main_window_texts.h"

namespace solwire {

inline constexpr TextRow kReportNotSaved{
    "The data were not saved to %1: %2. The file is left as it was.",
    "Les données n'ont pas été enregistrées dans %1 : %2. Le fichier reste tel qu'il était.",
    "数据未能保存到 %1：%2。该文件保持原样。"};
inline constexpr TextRow kLogEntryNotWritten{
    "The log entry was not written to %1: %2. The file is left as it was.",
    "L'entrée du journal n'a pas été écrite dans %1 : %2. Le fichier reste tel qu'il était.",
    "记录未能写入 %1：%2。该文件保持原样。"};
inline constexpr TextRow kNoDefaultPrinter{
    "Nothing was printed: no default printer is set up.",
    "Rien n'a été imprimé : aucune imprimante par défaut n'est configurée.",
    "未打印：没有设置默认打印机。"};
inline constexpr TextRow kPrinterFailed{
    "Nothing was printed: the printer %1 did not take the job.",
    "Rien n'a été imprimé : l'imprimante %1 n'a pas accepté le travail.",
    "未打印：打印机 %1 未接受打印任务。"};
inline constexpr TextRow kPrintFileFailed{
    "The printout was not written to %1: %2.",
    "L'impression n'a pas été écrite dans %1 : %2.",
    "打印输出未能写入 %1：%2。"};

}  // namespace solwire
