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
//
// A file is read in a worker thread and shown a piece at a time, a few
// milliseconds of work per turn of the event loop, so that a long log never
// holds up the program: the start of the file shows at once, a bar in the
// panel tells how much is in, and the window can be used, closed or given
// another file meanwhile (the read under way is then dropped). Printing
// asked for meanwhile prints the whole file once it is in.
#pragma once

#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "protocol/status_messages.h"
#include "store/rich_text_document.h"
#include "store/rich_text_file_loader.h"

class QFrame;
class QLabel;
class QProgressBar;
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
  void applyLanguage(Language language, const QFont& font);
  // Without an action the print button is disabled.
  void setPrintAction(PrintAction action);

  const QString& fileName() const { return fileName_; }
  // What Readedit shows, once the file is read whole (empty before).
  const RichTextDocument& shownDocument() const { return shown_; }
  // The file is being read or shown; it is shown whole when this turns false.
  bool loading() const { return loading_; }

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
  // How much of the file is in, while it is being read.
  QProgressBar* Loadbar = nullptr;

 signals:
  void closedByOperator();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // A piece that has arrived: where its paragraphs end and how much of the
  // file they take the reading to.
  struct PieceEnd {
    std::size_t paragraphs;
    int percent;
  };

  void FormCreate();
  void applyTexts();
  void showFileLabel();
  void loadFile();
  void pieceArrived(RichTextPiece& piece);
  void reserveForTheWholeFile(const RichTextPiece& piece);
  void problemFound(FileShowProblem problem, const std::string& reason);
  void showSomeMore();
  void adjustParagraphsPerTurn(std::size_t count, double milliseconds);
  void finishLoading();
  void stopLoading();
  void setLoadingShown(bool shown);
  void showProblem(ReadText line, const std::string& reason = {});
  void showDocument(const RichTextDocument& document);

  Feedback& feedback_;
  PrintAction print_;
  RichTextDocument shown_;
  QString fileName_;
  Language language_ = Language::English;
  QFont font_;

  // The file being read: its paragraphs so far, how many of them Readedit
  // shows, and the pieces' ends, for the bar.
  bool loading_ = false;
  bool allArrived_ = false;
  bool printWhenLoaded_ = false;
  std::vector<Paragraph> arrived_;
  std::size_t inserted_ = 0;
  // About a screenful: the start shows in the first turn.
  static constexpr std::size_t kFirstParagraphsPerTurn = 100;
  std::size_t paragraphsPerTurn_ = kFirstParagraphsPerTurn;
  std::deque<PieceEnd> pieceEnds_;
  std::string arrivedFontName_;
  int arrivedTabTwips_ = RichTextDocument::kDefaultTabTwips;
  QTimer showTimer_;
  // Last, so that it goes first and no piece arrives into members already gone.
  RichTextFileLoader loader_;
};

}  // namespace solwire
