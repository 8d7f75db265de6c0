// Prints one data report through the main window's print button, as the
// program does, and exits once the job has been handed on: 0 when it was
// taken, 1 with the operator's message on standard error when not. The
// print test runs it against its own print server.
//
//   print_report_tool LANGUAGE     (0 English, 1 French, 2 Chinese)
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <chrono>
#include <iostream>
#include <memory>

#include "app/main_form.h"
#include "protocol/status_messages.h"
#include "tests/support/link_state_access.h"
#include "store/rich_text_print.h"
#include "tests/app/main_form_fakes.h"
#include "tests/support/reply_bytes.h"

int main(int argc, char** argv) {
  using namespace solwire;
  using namespace std::chrono_literals;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int language = argc > 1 ? std::atoi(argv[1]) : 0;

  test::MainFormFakes fakes;
  auto form = fakes.openMainForm();
  int problems = 0;
  form->reportError = [&problems](const QString& message) {
    std::cerr << "print_report_tool: " << message.toStdString() << '\n';
    ++problems;
  };
  form->Timer1Timer();
  LinkStateAccess::of(form->link()).Deferred = DeferredRequest::None;
  form->Getdata(Requester::CurrentStateView);
  fakes.directMatcher.deliver(test::currentStateReply(2, {0x4B, 0, 0, 0x40, 0, 0, 141, 120, 0, 5, 0, 6, 3}));
  form->Currsavecheck->setChecked(true);
  form->englishselectClick(languageFromIndex(language));

  form->PrintbuttonClick();
  QDeadlineTimer deadline(60s);
  while (form->printer().pendingJobs() > 0 && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  if (form->printer().pendingJobs() > 0) {
    std::cerr << "print_report_tool: the job was not handed on within 60 s\n";
    return 1;
  }
  return problems == 0 ? 0 : 1;
}
