#include "app/help_form.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/language_state.h"
#include "store/rich_text_file.h"
#include "store/rich_text_qt.h"

namespace solwire {

Thelpform::Thelpform(const LanguageState& languages, std::filesystem::path directory, ErrorReporter reportError,
                     QWidget* parent)
    : QWidget(parent, Qt::Window),
      languages_(languages),
      directory_(std::move(directory)),
      helpedit_(new QTextEdit(this)),
      reportError_(std::move(reportError)) {
  if (!reportError_)
    reportError_ = [this](const QString& message) { QMessageBox::critical(this, windowTitle(), message); };
  setObjectName("helpform");
  helpedit_->setObjectName("helpedit");
  helpedit_->setReadOnly(true);
  helpedit_->setFont(QFont("Arial"));
  helpedit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  helpedit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  helpedit_->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(helpedit_);
  resize(640, 441);
  move(0, 104);
  FormCreate();
}

const char* Thelpform::helpFileName(Language language) {
  switch (language) {
    case Language::French: return "helpfrnc.rtf";
    case Language::Chinese: return "helpchin.rtf";
    case Language::English: break;
  }
  return "helpengc.rtf";
}

void Thelpform::FormCreate() {
  setWindowTitle(languages_.index == 1 ? "ASSISTANCE" : "HELP");
  const std::filesystem::path file = directory_ / helpFileName(languages_.language());
  // Reloading the same file keeps the reader's place in it; any other file
  // is read from its top.
  const int scrolled = file == shownFile_ ? helpedit_->verticalScrollBar()->value() : 0;
  helpedit_->clear();
  shownFile_.clear();
  try {
    fillTextDocument(*helpedit_->document(), loadRichTextFile(file));
    shownFile_ = file;
    reportedFile_.clear();
    // Filling the document leaves the edit's cursor after the last
    // character, and the edit scrolls to its cursor when it is shown.
    helpedit_->moveCursor(QTextCursor::Start);
    helpedit_->verticalScrollBar()->setValue(scrolled);
  } catch (const RichTextFileError& error) {
    if (file == reportedFile_) return;
    reportedFile_ = file;
    reportError_(QString::fromStdString(error.what()));
  }
}

bool Thelpform::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormCreate();
  return QWidget::event(event);
}

// A read-only text edit scrolls with Home and End but ignores Ctrl+Home and
// Ctrl+End, the keys a reader expects to reach the start and the end.
bool Thelpform::eventFilter(QObject* watched, QEvent* event) {
  if (watched == helpedit_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::MoveToStartOfDocument)) {
      helpedit_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
      return true;
    }
    if (key->matches(QKeySequence::MoveToEndOfDocument)) {
      helpedit_->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace solwire
