// What the main window tells the operator when a data report, a printout or a
// log entry was made or could not be made, in English, French and Chinese
// (UTF-8). %1 stands for the file or the printer (or the site), %2 for the
// system's reason (or the file's size).
#pragma once

#include "app/texts/main_window_texts.h"

namespace solwire {

inline constexpr TextRow kReportNotSaved{
    "The data were not saved to %1: %2. The file is left as it was.",
    "Les données n'ont pas été enregistrées dans %1 : %2. Le fichier reste tel qu'il était.",
    "数据未能保存到 %1：%2。该文件保持原样。"};
inline constexpr TextRow kReportSaved{
    "The data were saved to %1 (now %2 bytes).",
    "Les données ont été enregistrées dans %1 (maintenant %2 octets).",
    "数据已保存到 %1（现有 %2 字节）。"};
inline constexpr TextRow kReportNoRoom{
    "The data were not saved: the disk that would hold %1 is full.",
    "Les données n'ont pas été enregistrées : le disque qui contiendrait %1 est plein.",
    "数据未保存：存放 %1 的磁盘已满。"};
inline constexpr TextRow kNothingReadToSave{
    "Nothing was saved: no data of site %1 have been read yet, or no section is ticked.",
    "Rien n'a été enregistré : aucune donnée du site %1 n'a encore été lue, ou aucune section n'est cochée.",
    "未保存：尚未读取站 %1 的任何数据，或未勾选任何部分。"};
inline constexpr TextRow kNothingReadToPrint{
    "Nothing was printed: no data of site %1 have been read yet, or no section is ticked.",
    "Rien n'a été imprimé : aucune donnée du site %1 n'a encore été lue, ou aucune section n'est cochée.",
    "未打印：尚未读取站 %1 的任何数据，或未勾选任何部分。"};
inline constexpr TextRow kReportPrinted{
    "The report was printed to %1.",
    "Le rapport a été imprimé sur %1.",
    "报告已打印到 %1。"};
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
