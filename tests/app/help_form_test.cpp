#include "app/help_form.h"
#include "protocol/status_messages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <filesystem>
#include <fstream>

#include "app/help_location.h"
#include "app/language_state.h"

namespace solwire {
namespace {

namespace fs = std::filesystem;

class HelpFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    directory = fs::temp_directory_path() / ("solwire-help-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    write("helpengc.rtf", "{\\rtf1\\ansi English help\\par}");
    write("helpchin.rtf", "{\\rtf1\\ansi \\u20013?\\u25991? help\\par}");
  }
  void TearDown() override { fs::remove_all(directory); }

  void write(const char* name, const std::string& text) { std::ofstream(directory / name) << text; }

  std::unique_ptr<Thelpform> open() {
    return std::make_unique<Thelpform>(languages, directory, [this](const QString& m) {
      reported = m;
      ++reports;
    });
  }

  static void activate(Thelpform& help) {
    QEvent activation(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&help, &activation);
  }

  fs::path directory;
  LanguageState languages;
  QString reported;
  int reports = 0;
};

TEST_F(HelpFormTest, ShowsTheFileOfTheLanguageWithItsCaption) {
  auto help = open();
  EXPECT_EQ(help->windowTitle(), "HELP");
  EXPECT_TRUE(help->helpedit()->toPlainText().contains("English help"));
  EXPECT_TRUE(help->helpedit()->isReadOnly());
  EXPECT_TRUE(reported.isEmpty());

  languages.index = 2;
  help->FormCreate();
  EXPECT_EQ(help->windowTitle(), "HELP");
  EXPECT_TRUE(help->helpedit()->toPlainText().contains(QString::fromUtf8("中文 help")));
}

TEST_F(HelpFormTest, AFileReplacedOnDiskShowsAtTheNextActivation) {
  auto help = open();
  write("helpengc.rtf", "{\\rtf1\\ansi Revised help\\par}");
  help->FormCreate();
  EXPECT_TRUE(help->helpedit()->toPlainText().contains("Revised help"));
  EXPECT_FALSE(help->helpedit()->toPlainText().contains("English help"));
}

TEST_F(HelpFormTest, AMissingFileIsReportedAndLeavesTheWindowEmpty) {
  languages.index = 1;  // no French file here
  auto help = open();  // created at start: the missing file is reported at once
  EXPECT_EQ(help->windowTitle(), "ASSISTANCE");
  EXPECT_TRUE(reported.contains("helpfrnc.rtf"));
  EXPECT_TRUE(help->helpedit()->toPlainText().isEmpty());
}

TEST_F(HelpFormTest, AMissingFileIsReportedOnceNotAtEveryActivation) {
  fs::remove(directory / "helpengc.rtf");
  auto help = open();
  EXPECT_EQ(reports, 1);
  // Closing the error box hands the activation back to the help window:
  // reporting again there would bring the box straight back.
  activate(*help);
  activate(*help);
  EXPECT_EQ(reports, 1);

  write("helpengc.rtf", "{\\rtf1\\ansi Restored help\\par}");
  activate(*help);
  EXPECT_TRUE(help->helpedit()->toPlainText().contains("Restored help"));
  fs::remove(directory / "helpengc.rtf");
  activate(*help);  // gone again after it was shown: worth telling
  EXPECT_EQ(reports, 2);
  EXPECT_TRUE(help->helpedit()->toPlainText().isEmpty());

  languages.index = 1;  // another file, missing as well
  activate(*help);
  EXPECT_EQ(reports, 3);
  EXPECT_TRUE(reported.contains("helpfrnc.rtf"));
}

// A document far longer than the window, in the language's file.
std::string longHelp(const std::string& words) {
  std::string rtf = "{\\rtf1\\ansi ";
  for (int i = 0; i < 300; ++i) rtf += words + " " + std::to_string(i) + "\\par\n";
  return rtf + "}";
}

int scrolledTo(const Thelpform& help) { return help.helpedit()->verticalScrollBar()->value(); }

void showAndSettle(Thelpform& help) {
  help.show();
  QCoreApplication::processEvents();
}

TEST_F(HelpFormTest, OpensAtTheTopAndKeepsThePlaceOnlyForTheSameFile) {
  write("helpengc.rtf", longHelp("English line"));
  write("helpchin.rtf", longHelp("\\u20013?\\u25991? line"));
  auto help = open();
  showAndSettle(*help);
  activate(*help);
  QCoreApplication::processEvents();
  QScrollBar* bar = help->helpedit()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(scrolledTo(*help), 0);

  // Hidden and shown again with the same file: where the reader left it.
  bar->setValue(bar->maximum() / 2);
  const int place = scrolledTo(*help);
  help->hide();
  showAndSettle(*help);
  activate(*help);
  QCoreApplication::processEvents();
  EXPECT_EQ(scrolledTo(*help), place);

  // Another language's file starts at its top.
  help->hide();
  languages.index = 2;
  showAndSettle(*help);
  activate(*help);
  QCoreApplication::processEvents();
  EXPECT_EQ(scrolledTo(*help), 0);
  EXPECT_TRUE(help->helpedit()->toPlainText().startsWith(QString::fromUtf8("中文 line 0")));
}

void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QKeyEvent event(QEvent::KeyPress, key, modifiers);
  QCoreApplication::sendEvent(widget, &event);
}

TEST_F(HelpFormTest, ControlHomeAndControlEndGoToTheStartAndEnd) {
  write("helpengc.rtf", longHelp("English line"));
  auto help = open();
  showAndSettle(*help);
  QScrollBar* bar = help->helpedit()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  press(help->helpedit(), Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(scrolledTo(*help), bar->maximum());
  press(help->helpedit(), Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(scrolledTo(*help), 0);
}

// Measured rather than asked: some monospaced faces do not say they are.
bool monospacedFace(const QFont& font) {
  const QFontMetrics metrics(font);
  return metrics.horizontalAdvance("iiii") == metrics.horizontalAdvance("MMMM");
}

// The shipped help documents keep their layout on screen: a centred title,
// indented items with space between them, and a monospaced settings snippet.
TEST_F(HelpFormTest, TheShippedHelpShowsItsLayout) {
  for (int language : {0, 1, 2}) {
    LanguageState shipped;
    shipped.index = language;
    Thelpform help(shipped, SOLWIRE_HELP_DIR, [](const QString& message) { ADD_FAILURE() << message.toStdString(); });
    const QTextDocument& document = *help.helpedit()->document();
    const QTextBlock title = document.firstBlock();
    EXPECT_EQ(title.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter) << language;
    EXPECT_GT(title.blockFormat().bottomMargin(), 0) << language;
    int indented = 0;
    int monospaced = 0;
    for (QTextBlock block = title; block.isValid(); block = block.next()) {
      if (block.blockFormat().leftMargin() > 0) ++indented;
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        if (monospacedFace(it.fragment().charFormat().font())) ++monospaced;
      }
    }
    EXPECT_GT(indented, 10) << language;
    EXPECT_GT(monospaced, 0) << language;
  }
}

TEST_F(HelpFormTest, AnIndexOutOfRangeUsesTheEnglishFile) {
  EXPECT_STREQ(Thelpform::helpFileName(languageFromIndex(7)), "helpengc.rtf");
  EXPECT_STREQ(Thelpform::helpFileName(languageFromIndex(-1)), "helpengc.rtf");
  EXPECT_STREQ(Thelpform::helpFileName(Language::Chinese), "helpchin.rtf");
}

// A build tree keeps the help beside the program; an installed program finds
// it in bin/../share/solwire.
TEST(HelpLocation, TheProgramsFolderComesFirstThenTheInstalledDataFolder) {
  const fs::path root = fs::temp_directory_path() / ("solwire-help-place-" + std::to_string(::getpid()));
  const fs::path bin = root / "usr" / "bin";
  const fs::path share = root / "usr" / "share" / "solwire";
  fs::create_directories(bin);
  fs::create_directories(share);

  EXPECT_EQ(helpDirectory(bin), bin) << "no help anywhere: the program's folder is named";
  std::ofstream(share / "helpfrnc.rtf") << "{\\rtf1 x}";
  EXPECT_EQ(helpDirectory(bin), bin) << "only the English help marks a help folder";
  std::ofstream(share / "helpengc.rtf") << "{\\rtf1 x}";
  EXPECT_EQ(helpDirectory(bin), share);
  std::ofstream(bin / "helpengc.rtf") << "{\\rtf1 x}";
  EXPECT_EQ(helpDirectory(bin), bin);
  fs::remove_all(root);
}

}  // namespace
}  // namespace solwire
