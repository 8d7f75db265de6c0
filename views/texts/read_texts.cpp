#include "views/texts/read_texts.h"

namespace solwire {

namespace {

constexpr TextRow kCaption{"View Data in file", "Regard Data en file", "查看存档的数据"};
constexpr TextRow kFileLabelHint{"Name of Data File Showing", "Nom de Data File deployer", "数据文档的名称"};
constexpr TextRow kPrintHint{"Print File", "Imprime de File", "打印文档"};
constexpr TextRow kCloseHint{"Close Window", "Sortie", "关闭窗口"};
constexpr TextRow kFileLabel{"Data in file: ", "Data en file:", "存档的数据: "};
constexpr TextRow kFileMissing{"Error -file does not exist", "Erreur -file non existant", "错误 - 文件不存在"};
constexpr TextRow kFileUnreadable{"Error -file cannot be read", "Erreur -file illisible", "错误 - 文件无法阅读"};
constexpr TextRow kNotADataFile{"Error -not a data file", "Erreur -pas un data file", "错误 - 不是数据文档"};
constexpr TextRow kPrintTitle{"KVRD Data Printout", "KVRD Data Imprime", "KVRD 数据印出"};

}  // namespace

const TextRow& readText(ReadText which) {
  switch (which) {
    case ReadText::Caption: return kCaption;
    case ReadText::FileLabelHint: return kFileLabelHint;
    case ReadText::PrintHint: return kPrintHint;
    case ReadText::CloseHint: return kCloseHint;
    case ReadText::FileLabel: return kFileLabel;
    case ReadText::FileMissing: return kFileMissing;
    case ReadText::FileUnreadable: return kFileUnreadable;
    case ReadText::NotADataFile: return kNotADataFile;
    case ReadText::PrintTitle: break;
  }
  return kPrintTitle;
}

}  // namespace solwire
