// The help window: the help document of the current language, loaded from
// the program's directory each time the window is activated.
#pragma once

#include "protocol/status_messages.h"

#include <QWidget>
#include <filesystem>
#include <functional>

class QTextEdit;

namespace solwire {

struct LanguageState;

class Thelpform : public QWidget {
  Q_OBJECT
 public:
  using ErrorReporter = std::function<void(const QString& message)>;
  // `reportError` tells the operator that a help file cannot be read; by
  // default a message box.
  Thelpform(const LanguageState& languages, std::filesystem::path directory, ErrorReporter reportError = {},
            QWidget* parent = nullptr);

  // Also the activation handler: places the window, picks the file and
  // caption by language and loads the file, replacing what was shown.
  void FormCreate();

  // The file of a language index; any other index gives the English file.
  static const char* helpFileName(Language language);
  QTextEdit* helpedit() const { return helpedit_; }

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  const LanguageState& languages_;
  std::filesystem::path directory_;
  std::filesystem::path shownFile_;
  // The file whose failure was last reported: activating the window again
  // does not report it again (closing the error box re-activates the window).
  std::filesystem::path reportedFile_;
  QTextEdit* helpedit_;
  ErrorReporter reportError_;
};

}  // namespace solwire
