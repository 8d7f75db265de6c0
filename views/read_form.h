// The file viewer: shows a saved data file or the log file, rich text or plain
// text, and prints it.
//
// What the main window does with it:
//   - create it once: TReadform(feedback, &mainform);
//   - ReadbuttonClick (and the log panel's view button) calls
//     showFile(name) with the data file's (or the log file's) name to show
//     the window, or hides it;
//   - call applyLanguage(index, font) at start and whenever the language or
//     its font changes;
//   - setPrintAction(action): what the print button does with the shown
//     document and the print job's title; shownDocument() is the same
//     document as the store's rich text, for printing it off this thread;
//   - closedByOperator() is emitted when the window is closed with its own
//     close box or its close button.
//
// Each time the window is shown it takes the language's texts and font and
// reads the file again. A missing file shows one error line and beeps once;
// so does a file that cannot be read or is no data file (a directory, a
// device, binary data), with the system's reason on a second line where
// there is one.
#pragma once

#include <QFont>
#include <QString>
#include <QWidget>
#include <functional>

#include "store/rich_text_document.h"

class QFrame;
class QLabel;
class QPushButton;
class QTextDocument;
class QTextEdit;

namespace solwire {

class Feedback;
enum class ReadText;

class TReadform : public QWidget {
  Q_OBJECT
 public:
  using PrintAction = std::function<void(const QTextDocument& document, const QString& jobTitle)>;

  explicit TReadform(Feedback& feedback, QWidget* parent = nullptr);

  // Shows the window with the named file (relative names from the current
  // directory); reads it again when the window is shown already.
  void showFile(const QString& fileName);
  // The language index (0 English, 1 French, 2 Chinese) and its font; shown
  // at once when the window is visible.
  void applyLanguage(int language, const QFont& font);
  // Without an action the print button is disabled.
  void setPrintAction(PrintAction action);

  const QString& fileName() const { return fileName_; }
  // What Readedit shows.
  const RichTextDocument& shownDocument() const { return shown_; }

  // Texts, fonts and the file, each time the window is shown.
  void FormActivate();
  // The print button: the shown document to the print action.
  void BitBtn1Click();
  // The close button.
  void BitBtn2Click();

  // Components, named as the program names them.
  QFrame* Panel1 = nullptr;
  QLabel* filelab = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QTextEdit* Readedit = nullptr;

 signals:
  void closedByOperator();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void applyTexts();
  void showFileLabel();
  void loadFile();
  void showProblem(ReadText line, const std::string& reason = {});
  void showDocument(const RichTextDocument& document);

  Feedback& feedback_;
  PrintAction print_;
  RichTextDocument shown_;
  QString fileName_;
  int language_ = 0;
  QFont font_;
};

}  // namespace solwire
